// Finding the instances through WMI's two registry views, as a 32-bit process on 64-bit Windows
// does (scripted: Wine's provider has no GetMultiStringValue). The native registry read is the
// login window's test (SqlWindowsTest).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"

namespace tess::sql {
namespace {

class ScriptedWmi : public WmiRegistry {
public:
    std::optional<std::vector<std::wstring>> view32, view64;
    std::optional<long> architecture = 9;
    std::vector<bool> asked;  // views asked for, in order (true = 32-bit)

    std::optional<std::vector<std::wstring>> GetMultiStringValue(bool v32, const std::wstring&, const std::wstring&) override {
        asked.push_back(v32);
        return v32 ? view32 : view64;
    }
    std::optional<long> ProcessorArchitecture() override { return architecture; }
};

using Names = std::vector<std::wstring>;

TEST(InstanceDiscovery, WmiReaderListsThe32BitViewFirstThenThe64BitView) {
    // what; the 32-bit view, the 64-bit view, the processor; the names, the views asked (true: 32-bit)
    using View = std::optional<Names>;
    const std::tuple<const char*, View, View, std::optional<long>, Names, std::vector<bool>> cases[] = {
        {"both views, a name in both is listed twice", Names{L"SALES", L"MSSQLSERVER"}, Names{L"MSSQLSERVER"}, 9,
         {L"SALES", L"MSSQLSERVER", L"MSSQLSERVER"}, {true, false}},
        {"x86 processor: the 64-bit view is not asked", Names{L"A"}, Names{L"B"}, 0, {L"A"}, {true}},
        {"architecture unreadable: only the 32-bit view", Names{L"A"}, Names{L"B"}, std::nullopt, {L"A"}, {true}},
        {"the 32-bit read fails: nothing, the 64-bit view is not asked", std::nullopt, Names{L"B"}, 9, {}, {true}},
        {"missing value in the 32-bit view still asks the 64-bit one", Names{}, Names{L"B"}, 9, {L"B"}, {true, false}},
        {"the 64-bit read fails: the 32-bit names stay", Names{L"A"}, std::nullopt, 9, {L"A"}, {true, false}},
        {"blank entries and text after a line end are dropped", Names{L"  ", L"", L"A\r\njunk"}, Names{}, 9, {L"A"},
         {true, false}},
    };
    for (const auto& [what, view32, view64, architecture, expected, asked] : cases) {
        SCOPED_TRACE(what);
        ScriptedWmi wmi;
        std::tie(wmi.view32, wmi.view64, wmi.architecture) = std::tie(view32, view64, architecture);
        EXPECT_EQ(ReadInstancesThroughWmi(wmi), expected);
        EXPECT_EQ(wmi.asked, asked);
        EXPECT_EQ(DiscoverInstanceNames(true, &wmi), expected);
    }
}

}  // namespace
}  // namespace tess::sql
