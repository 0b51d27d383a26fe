// The storage tree's rules as values: reading ExchTreeInfo.ini, the check marks, the selection
// (whose keys are the nodes' keys).
#include <gtest/gtest.h>

#include <map>
#include <tuple>
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
    const std::tuple<const wchar_t*, wchar_t, Keys> cases[] = {  // value, separator; entries
        {L"SG1#SG2#", L'#', {L"SG1", L"SG2"}},             // the trailing "#"
        {L"SG1##SG2", L'#', {L"SG1", L"SG2"}},             // an empty entry between two names
        {L" SG 1 # #SG2", L'#', {L" SG 1 ", L"SG2"}},      // kept as written: it names a section
        {L"", L'#', {}},
        {L"\bMail#1\b \bPublic", L'\b', {L"Mail#1", L"Public"}},  // 2010: "#" belongs to the name
    };
    for (const auto& [value, separator, entries] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(SplitStorageEntries(value, separator), entries);
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
    // The model starts with every group and store ticked. Node, new state; the refusal (null:
    // accepted), the ticks after it (SRV, Org, SG1, Mailbox, Public, SG2, Archive).
    const std::tuple<int, int, const wchar_t*, const wchar_t*> cases[] = {
        {0, kStateChecked, L"Checking 'SRV' is not allowed.", L"..xxxxx"},
        {1, kStateChecked, L"Checking 'SRV\\First Organization' is not allowed.", L"..xxxxx"},
        {3, kStateUnchecked, nullptr, L"....xxx"},  // the group goes with it, its sibling stays
        {2, kStateUnchecked, nullptr, L".....xx"},  // the group's stores follow it
    };
    for (const auto& [node, newState, refused, after] : cases) {
        SCOPED_TRACE(node);
        StorageModel model = sampleModel();
        const auto refusal = ApplyNodeCheck(model, node, newState, catalog);
        EXPECT_EQ(refusal.value_or(L"<none>"), refused ? refused : L"<none>");
        EXPECT_EQ(states(model), after);
    }
}

TEST(StorageSelection, TickedGroupTakenOnceAndStoresOfOthersOneByOne) {
    const std::wstring org = L"SRV\\First Organization\\";
    const std::pair<std::vector<std::pair<int, int>>, Keys> cases[] = {  // (node, new state)...; chosen
        {{}, {org + L"SG1\\", org + L"SG2\\"}},
        {{{3, kStateUnchecked}}, {org + L"SG1\\Public", org + L"SG2\\"}},
        {{{2, kStateUnchecked}, {5, kStateUnchecked}, {6, kStateChecked}}, {org + L"SG2\\Archive"}},
        {{{2, kStateUnchecked}, {5, kStateUnchecked}}, {}},
    };
    for (const auto& [toggles, chosen] : cases) {
        SCOPED_TRACE(chosen.size());
        StorageModel model = sampleModel();
        for (const auto& [node, state] : toggles) ApplyNodeCheck(model, node, state, catalog);
        EXPECT_EQ(Trf_TraverseTree(model), chosen);
    }
}

}  // namespace
}  // namespace tess::exchange
