// SharePoint detection from the environment and the files present. The tool's command line and
// the run itself: tests/e2e/SharePointE2ETest.cpp.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <tuple>

#include "app/SharePoint.h"
#include "common/Files.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

TEST(SharePointDetection, ChecksBothVersionsInTheCommonFilesFolderTheEnvironmentNames) {
    test::TempDir dir(L"spdetect");
    const std::wstring common64 = dir.file(L"Common Files"), common32 = dir.file(L"Common Files (x86)");
    const std::wstring ext = L"\\Microsoft Shared\\Web Server Extensions\\";
    enum Variable { k64BitFolder, kUnset, kBlank };  // kUnset as on 32-bit Windows
    // what; CommonProgramW6432, the folder whose WSSADMIN.EXE exists (or none); installed
    const std::tuple<const char*, Variable, std::wstring, bool> cases[] = {
        {"12 in the 64-bit folder", k64BitFolder, common64 + ext + L"12\\Bin", true},
        {"only 14", k64BitFolder, common64 + ext + L"14\\Bin", true},
        {"neither", k64BitFolder, L"", false},
        {"the 32-bit folder is not looked at", k64BitFolder, common32 + ext + L"12\\Bin", false},
        {"no 64-bit variable", kUnset, common32 + ext + L"14\\Bin", true},
        {"a blank one", kBlank, common32 + ext + L"12\\Bin", true},
    };
    for (const auto& [what, w6432, plantedIn, installed] : cases) {
        SCOPED_TRACE(what);
        test::ScopedEnvironment env64(L"CommonProgramW6432",
                                      w6432 == kUnset ? nullptr : w6432 == kBlank ? L" \t" : common64.c_str());
        test::ScopedEnvironment env32(L"CommonProgramFiles", common32.c_str());
        if (!plantedIn.empty()) {
            SHCreateDirectoryExW(nullptr, plantedIn.c_str(), nullptr);
            test::WriteBytes(plantedIn + L"\\WSSADMIN.EXE", "MZ");
        }
        EXPECT_EQ(IsSharePointInstalled(), installed);
        DeleteFolderTree(common64);
        DeleteFolderTree(common32);
    }
}

}  // namespace
}  // namespace tess
