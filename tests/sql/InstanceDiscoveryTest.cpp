// Finding the instances: the registry for a native process, WMI's two registry views for a 32-bit
// process on 64-bit Windows (scripted: Wine's provider has no GetMultiStringValue).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"

namespace tess::sql {
namespace {

class ScriptedWmi : public WmiRegistry {
public:
    std::optional<std::vector<std::wstring>> view32, view64;
    std::optional<long> architecture = 9;
    std::vector<bool> asked;  // views asked for, in order (true = 32-bit)

    std::optional<std::vector<std::wstring>> GetMultiStringValue(bool v32, const std::wstring& key,
                                                                 const std::wstring& value) override {
        EXPECT_EQ(key, L"SOFTWARE\\Microsoft\\Microsoft SQL Server");
        EXPECT_EQ(value, L"InstalledInstances");
        asked.push_back(v32);
        return v32 ? view32 : view64;
    }
    std::optional<long> ProcessorArchitecture() override { return architecture; }
};

using Names = std::vector<std::wstring>;

TEST(InstanceDiscovery, WmiReaderListsThe32BitViewFirstThenThe64BitView) {
    struct Case {
        const char* what;
        std::optional<Names> view32, view64;
        std::optional<long> architecture;
        Names expected;
        std::vector<bool> asked;
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWmi wmi;
        wmi.view32 = c.view32;
        wmi.view64 = c.view64;
        wmi.architecture = c.architecture;
        EXPECT_EQ(ReadInstancesThroughWmi(wmi), c.expected);
        EXPECT_EQ(wmi.asked, c.asked);
        EXPECT_EQ(DiscoverInstanceNames(true, &wmi), c.expected);
    }
}

// The product's own key in this test's Wine prefix, put back as it was afterwards.
class SqlServerKey : public ::testing::Test {
protected:
    void SetUp() override {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSqlServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = 0;
        if (RegQueryValueExW(key_, kInstalledInstances, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            saved_.resize(size / sizeof(wchar_t) + 1);
            RegQueryValueExW(key_, kInstalledInstances, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_.data()), &size);
            hadValue_ = true;
        }
    }
    void TearDown() override {
        if (hadValue_)
            set(saved_);
        else
            RegDeleteValueW(key_, kInstalledInstances);
        RegCloseKey(key_);
    }
    void set(const std::wstring& multi) {
        RegSetValueExW(key_, kInstalledInstances, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                       static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    }
    HKEY key_ = nullptr;
    std::wstring saved_;
    bool hadValue_ = false;
};

TEST_F(SqlServerKey, NativeProcessReadsTheRegistryInItsOrder) {
    set(std::wstring(L"MSSQLSERVER\0SALES\0\0", 19));
    const Names names = DiscoverInstanceNames(false, nullptr);
    EXPECT_EQ(names, (Names{L"MSSQLSERVER", L"SALES"}));
    EXPECT_EQ(InstanceEntries(L"SRV1", names), (Names{L"SRV1", L"SRV1\\SALES"}));
    RegDeleteValueW(key_, kInstalledInstances);
    EXPECT_TRUE(DiscoverInstanceNames(false, nullptr).empty());
}

TEST(InstanceDiscovery, RealWmiAnswersTheProcessorQuestion) {
    // Wine's provider lacks GetMultiStringValue, so only the processor half can be checked here.
    auto wmi = CreateWmiRegistry();
    const auto architecture = wmi->ProcessorArchitecture();
    ASSERT_TRUE(architecture.has_value());
    EXPECT_TRUE(*architecture == 0 || *architecture == 9 || *architecture == 12 || *architecture == 5) << *architecture;
}

}  // namespace
}  // namespace tess::sql
