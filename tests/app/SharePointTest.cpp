// The SharePoint contract that needs no tool: detection from the environment and the files
// present, and the tool's command line.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "app/SharePoint.h"
#include "common/Files.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

// Sets an environment variable for the scope (null removes it) and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t old[1024];
        const DWORD n = GetEnvironmentVariableW(name, old, 1024);
        had_ = n > 0 && n < 1024;
        if (had_) old_ = old;
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

TEST(SharePointDetection, ChecksBothVersionsInTheCommonFilesFolderTheEnvironmentNames) {
    test::TempDir dir(L"spdetect");
    const std::wstring common64 = dir.file(L"Common Files"), common32 = dir.file(L"Common Files (x86)");
    const std::wstring extensions = L"\\Microsoft Shared\\Web Server Extensions\\";
    enum Variable { k64BitFolder, kUnset, kBlank };
    struct Case {
        const char* what;
        Variable w6432;  // kUnset as on 32-bit Windows
        std::wstring planted;  // the WSSADMIN.EXE that exists, or none
        bool installed;
    } cases[] = {
        {"12 in the 64-bit folder", k64BitFolder, common64 + extensions + L"12\\Bin\\WSSADMIN.EXE", true},
        {"only 14", k64BitFolder, common64 + extensions + L"14\\Bin\\WSSADMIN.EXE", true},
        {"neither file", k64BitFolder, L"", false},
        {"64-bit set: the other folder is not looked at", k64BitFolder, common32 + extensions + L"12\\Bin\\WSSADMIN.EXE",
         false},
        {"32-bit Windows: no 64-bit variable", kUnset, common32 + extensions + L"14\\Bin\\WSSADMIN.EXE", true},
        {"a blank 64-bit variable counts as not set", kBlank, common32 + extensions + L"12\\Bin\\WSSADMIN.EXE", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnvironment env64(L"CommonProgramW6432",
                                c.w6432 == kUnset ? nullptr : c.w6432 == kBlank ? L"  " : common64.c_str());
        ScopedEnvironment env32(L"CommonProgramFiles", common32.c_str());
        if (!c.planted.empty()) {
            SHCreateDirectoryExW(nullptr, ParentFolder(c.planted).c_str(), nullptr);
            test::WriteBytes(c.planted, "MZ");
        }
        EXPECT_EQ(IsSharePointInstalled(), c.installed);
        DeleteFolderTree(common64);
        DeleteFolderTree(common32);
    }
}

TEST(SharePointTool, CommandLineQuotesAProgramFolderWithBlanks) {
    EXPECT_EQ(SharePointToolCommandLine(L"C:\\Program Files\\Tessaron"),
              L"\"C:\\Program Files\\Tessaron\\OstrovaSharepoint.exe\" "
              L"\"DisplayTessaron/C:\\Program Files\\Tessaron\\VXCOMMON\\VXSharpointBkupSet.ini\"");
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(SharePointToolCommandLine(L"D:\\My Tools\\T 1").c_str(), &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(argv[0], L"D:\\My Tools\\T 1\\OstrovaSharepoint.exe");
    EXPECT_STREQ(argv[1], L"DisplayTessaron/D:\\My Tools\\T 1\\VXCOMMON\\VXSharpointBkupSet.ini");
    LocalFree(argv);
}

}  // namespace
}  // namespace tess
