// The storage tree's rules as values: reading ExchTreeInfo.ini, the check marks, the selection
// (whose keys are the nodes' keys).
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "exchange/StorageTree.h"

namespace tess::exchange {
namespace {

using Values = std::map<std::pair<std::wstring, std::wstring>, std::wstring>;
using Keys = std::vector<std::wstring>;

ProfileReader readerOf(const Values& values) {
    return [values](const std::wstring& section, const std::wstring& key) {
        auto it = values.find({section, key});
        return it == values.end() ? std::wstring() : it->second;
    };
}

std::wstring catalog(long code) { return code == 23 ? L"Checking '" : code == 24 ? L"' is not allowed." : L"?"; }

// Nodes 0 SRV, 1 First Organization, 2 SG1, 3 Mailbox, 4 Public, 5 SG2, 6 Archive
StorageModel sampleModel() {
    return BuildStorageModel(ReadStorageInfo(readerOf({
        {{L"VXEXCHINFO", L"EXCHServer"}, L"SRV"},
        {{L"VXEXCHINFO", L"EXCHAnnotName"}, L"First Organization#"},
        {{L"VXEXCHINFO", L"EXCHInstanceNames"}, L"SG1#SG2#"},
        {{L"SG1", L"EXCHDatabaseNames"}, L"Mailbox#Public#"},
        {{L"SG2", L"EXCHDatabaseNames"}, L"Archive"},
    })));
}

std::wstring states(const StorageModel& model) {
    std::wstring out;
    for (const auto& node : model.nodes) out += node.state == kStateChecked ? L'x' : L'.';
    return out;
}

TEST(StorageInfoFile, ListsSplitTrimAndCut) {
    struct Case {
        const wchar_t* value;
        wchar_t separator;
        Keys entries;
    } cases[] = {
        {L"SG1#SG2#", L'#', {L"SG1", L"SG2"}},             // the trailing "#"
        {L"SG1##SG2", L'#', {L"SG1", L"SG2"}},             // an empty entry between two names
        {L" SG 1 # #SG2", L'#', {L" SG 1 ", L"SG2"}},      // kept as written: it names a section
        {L"", L'#', {}},
        {L"\bMail#1\b \bPublic", L'\b', {L"Mail#1", L"Public"}},  // 2010: "#" belongs to the name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SplitStorageEntries(c.value, c.separator), c.entries);
    }
    EXPECT_EQ(AnnotationName(L"Org##"), L"Org#");  // only one "#" goes
    EXPECT_EQ(AnnotationName(L"Org"), L"Org");

    // Only 255 characters of a value are read: of 60 six-character entries the 43rd keeps three.
    std::wstring groups;
    for (int i = 0; i < 60; ++i) groups += L"G" + std::to_wstring(1000 + i) + L"#";
    const auto info = ReadStorageInfo(readerOf({{{L"VXEXCHINFO", L"EXCHInstanceNames"}, groups}}));
    ASSERT_EQ(info.groups.size(), 43u);
    EXPECT_EQ(info.groups.back().name, L"G10");

    // No file: the two empty upper levels and nothing to choose.
    StorageModel empty = BuildStorageModel(ReadStorageInfo(readerOf({})));
    EXPECT_EQ(empty.nodes.size(), 2u);
    EXPECT_TRUE(Trf_TraverseTree(empty).empty());
}

TEST(StorageChecks, RulesOfATick) {
    struct Case {
        int node;
        int newState;
        const wchar_t* refusal;  // null: accepted
        const wchar_t* after;    // SRV, Org, SG1, Mailbox, Public, SG2, Archive
    } cases[] = {  // the model starts with every group and store ticked
        {0, kStateChecked, L"Checking 'SRV' is not allowed.", L"..xxxxx"},
        {1, kStateChecked, L"Checking 'SRV\\First Organization' is not allowed.", L"..xxxxx"},
        {3, kStateUnchecked, nullptr, L"....xxx"},  // the group goes with it, its sibling stays
        {2, kStateUnchecked, nullptr, L".....xx"},  // the group's stores follow it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.node);
        StorageModel model = sampleModel();
        const auto refusal = ApplyNodeCheck(model, c.node, c.newState, catalog);
        EXPECT_EQ(refusal.value_or(L"<none>"), c.refusal ? c.refusal : L"<none>");
        EXPECT_EQ(states(model), c.after);
    }
}

TEST(StorageSelection, TickedGroupTakenOnceAndStoresOfOthersOneByOne) {
    const std::wstring org = L"SRV\\First Organization\\";
    struct Case {
        std::vector<std::pair<int, int>> toggles;  // node, new state
        Keys chosen;
    } cases[] = {
        {{}, {org + L"SG1\\", org + L"SG2\\"}},
        {{{3, kStateUnchecked}}, {org + L"SG1\\Public", org + L"SG2\\"}},
        {{{2, kStateUnchecked}, {5, kStateUnchecked}, {6, kStateChecked}}, {org + L"SG2\\Archive"}},
        {{{2, kStateUnchecked}, {5, kStateUnchecked}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen.size());
        StorageModel model = sampleModel();
        for (const auto& [node, state] : c.toggles) ApplyNodeCheck(model, node, state, catalog);
        EXPECT_EQ(Trf_TraverseTree(model), c.chosen);
    }
}

}  // namespace
}  // namespace tess::exchange
