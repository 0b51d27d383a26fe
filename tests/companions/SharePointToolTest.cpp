// The SharePoint tool: its window, its job file and its end.
#include <windows.h>

#include <gtest/gtest.h>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[SharePointContent:c1]\r\nName=WSS_Content\r\nSize=3 MB\r\n"
    "[SharePointContent:c2]\r\nName=WSS_Search\r\nSize=4000\r\n";

std::wstring lineFor(const Sandbox& box) {
    return Quoted(box.program() + L"\\OstrovaSharepoint.exe") + L" " +
           Quoted(L"DisplayTessaron/" + box.program() + L"\\VXCOMMON\\VXSharpointBkupSet.ini");
}

}  // namespace

TEST(SharePointTool, ShowsItsWindowAndNamesTheDefaultFolderWithoutAJobFile) {
    Sandbox box(std::string(kDemo) + "[Faults]\r\nOstrovaSharepoint=slow:30\r\n");
    box.install(L"OstrovaSharepoint.exe");
    UniqueHandle process = box.start(lineFor(box));
    ASSERT_TRUE(process);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] {  // the tool's window, not one of another test's tool
        DWORD pid = 0;
        GetWindowThreadProcessId(window = FindWindowW(nullptr, L"SharePoint Server"), &pid);
        return pid == GetProcessId(process.get()) && IsWindowVisible(window);
    }));
    wchar_t text[512] = {};
    GetDlgItemTextW(window, 100, text, 512);
    EXPECT_NE(std::wstring(text).find(L"default folder " + box.program() + L"\\SharePointBackup"), std::wstring::npos)
        << ToUTF8(text);
    // Closing the window while it works cancels: nothing half-written stays behind.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(ReadBytes(box.program() + L"\\VXSharepointstatus.txt"), "Cancelled\r\n");
    EXPECT_FALSE(FileExists(box.program() + L"\\SharePointBackup\\WSS_Content.bak"));
}

// The program reads the result in the program folder once VXShpstatus.txt says 2.
TEST(SharePointTool, BacksUpToTheJobFilesFolderOrReportsWhyAndEnds) {
    struct Case {
        std::string faults;
        bool wellFormed;
        DWORD exitCode;
        std::string result, error;
    } cases[] = {
        {"", true, 0, "Completed\r\n", ""},
        {"[Faults]\r\nOstrovaSharepoint=fail:Farm is offline.\r\n", true, 1, "Failed: Farm is offline.\r\n", "Farm is offline."},
        {"", false, 2, "Failed: ", "Invalid request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        Sandbox box(std::string(kDemo) + c.faults);
        const std::wstring exe = box.install(L"OstrovaSharepoint.exe");
        const std::wstring destination = box.folder(L"E drive") + L"\\SharePoint";
        WriteBytes(box.common(L"VXSharpointBkupSet.ini"), ToAnsi(L"[Backup]\r\nDestination=" + destination + L"\r\n"));
        EXPECT_EQ(box.run(c.wellFormed ? lineFor(box) : Quoted(exe) + L" job.ini"), c.exitCode);
        EXPECT_EQ(ReadBytes(box.program() + L"\\VXSharepointstatus.txt").rfind(c.result, 0), 0u);
        EXPECT_EQ(ReadBytes(box.common(L"VXShpstatus.txt")), "2\r\n");
        EXPECT_NE(ReadBytes(box.common(L"SharePointError.txt")).find(c.error), std::string::npos);
        EXPECT_EQ(FileSize(destination + L"\\WSS_Content.bak").value_or(0), c.exitCode ? 0u : 3u << 20);
        EXPECT_EQ(FileSize(destination + L"\\WSS_Search.bak").value_or(0), c.exitCode ? 0u : 4000u);
    }
}
