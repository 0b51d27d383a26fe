// The SharePoint transfer end to end: the real Tessaron.exe and the real stand-in tool in a
// program folder of the test's own, in a demo machine (SharePoint's WSSADMIN.EXE under the common
// files folder, the removable drive E:); the ctest entry test_e2e_sharepoint_demo_machine
// prepares one. Checked by the files the program leaves, the tool's journal and the windows'
// places as the system reports them.
#include <gtest/gtest.h>

#include <memory>

#include "e2e/EndToEnd.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace tess::test {
namespace {

constexpr DWORD kWindowTimeoutMs = 60000;
const wchar_t kTool[] = L"OstrovaSharepoint.exe";

class SharePointEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallProgramCopy(program_));
        wchar_t common[MAX_PATH] = {};
        // A 32-bit Windows names its only common files folder CommonProgramFiles.
        if (!GetEnvironmentVariableW(L"CommonProgramW6432", common, MAX_PATH))
            GetEnvironmentVariableW(L"CommonProgramFiles", common, MAX_PATH);
        TESS_NEEDS_DEMO_MACHINE(FileExists(std::wstring(common) + L"\\Microsoft Shared\\Web Server Extensions\\12\\Bin\\WSSADMIN.EXE"),
                                "SharePoint (ctest -R test_e2e_sharepoint_demo_machine)");
        TESS_NEEDS_DEMO_MACHINE(GetDriveTypeW(L"E:\\") == DRIVE_REMOVABLE, "the removable drive E:");
        destination_ = L"E:\\TessE2E-SP-" + std::to_wstring(GetCurrentProcessId());
    }

    void TearDown() override {
        tessaron_.reset();
        EndProcesses(kTool);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    // The demo description: the tool's faults, and where its content goes.
    void demo(const std::string& faults) {
        WriteBytes(program_ + L"\\demo\\demo.ini", "[Demo]\r\nJournal=journal.txt\r\n[Faults]\r\n" + faults +
                                                       "\r\n[SharePoint]\r\nDestination=" + ToAnsi(destination_) +
                                                       "\r\n[SharePointContent:c]\r\nName=WSS_Content\r\nSize=3 MB\r\n");
    }

    // What an earlier run left: the job file and both status files.
    void plantLeftovers() {
        WriteBytes(common(L"VXSharpointBkupSet.ini"), "[Backup]\r\nDestination=C:\\Old\r\n");
        WriteBytes(program_ + L"\\VXSharepointstatus.txt", "Completed\r\n");
        WriteBytes(common(L"VXShpstatus.txt"), "2\r\n");
    }

    std::wstring common(const std::wstring& name) const { return program_ + L"\\VXCOMMON\\" + name; }

    std::vector<std::wstring> toolCommandLines() const { return JournalRecords(program_, L"OstrovaSharepoint", L"cmd"); }

    // Starts the program and presses "SharePoint Server Data Transfer"; the main window.
    HWND pressSharePoint() {
        tessaron_ = std::make_unique<StartedProgram>(program_ + L"\\Tessaron.exe");
        pid_ = tessaron_->pid();
        HWND main = WaitForTopWindow(pid_, L"FrmAdvancedBackup", kWindowTimeoutMs);
        if (main) PostClick(FindByAutomationId(main, L"CmdSharePointServerBackup"));
        return main;
    }

    TempDir dir_{L"e2esp"};
    std::wstring program_ = dir_.path() + L"\\Tess Prog", destination_;
    std::unique_ptr<StartedProgram> tessaron_;
    DWORD pid_ = 0;
};

TEST_F(SharePointEndToEnd, TheToolRunsOnFreshFilesItsLateWindowFollowsAndTheMainWindowStaysUsable) {
    demo("OstrovaSharepoint=slow:60");
    plantLeftovers();
    ScopedEnvironment late(L"TESSARON_SHAREPOINT_SHOW_AFTER_MS", L"1500");  // long after the start
    HWND main = pressSharePoint();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitFor([&] { return !toolCommandLines().empty(); }, kWindowTimeoutMs));
    EXPECT_EQ(toolCommandLines()[0], L"\"" + program_ + L"\\OstrovaSharepoint.exe\" \"DisplayTessaron/" + program_ +
                                         L"\\VXCOMMON\\VXSharpointBkupSet.ini\"");
    EXPECT_FALSE(FileExists(common(L"VXSharpointBkupSet.ini")));
    EXPECT_FALSE(FileExists(program_ + L"\\VXSharepointstatus.txt"));
    EXPECT_EQ(ReadBytes(common(L"VXShpstatus.txt")), "1\r\n");

    HWND tool = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tool = SharePointToolWindow()) != nullptr; }, kWindowTimeoutMs));
    EXPECT_TRUE(WaitFor([&] { return CentredOnTop(main, tool); }, 3000));
    ShowWindow(main, SW_MINIMIZE);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(tool) != FALSE; }, 1500)) << "minimised with the main window";
    ShowWindow(main, SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(tool) && CentredOnTop(main, tool); }, 1500)) << "restored centred";
    RECT m{};
    GetWindowRect(main, &m);
    SetWindowPos(main, nullptr, m.left + 60, m.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitFor([&] { return CentredOnTop(main, tool); }, 1500)) << "moved with the main window";

    // A second press while the tool runs starts nothing; the other buttons work.
    Click(FindByAutomationId(main, L"CmdSharePointServerBackup"));
    EXPECT_EQ(CountProcesses(kTool), 1u);
    PostClick(FindByAutomationId(main, L"CmdSQLServerBackup"));
    HWND login = WaitForTopWindow(pid_, L"frmSQLSvrLogin", kWindowTimeoutMs);
    ASSERT_TRUE(login);
    PostMessageW(login, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(login); }, 10000));

    // Ending the tool by any means ends the wait: a press starts the tool again instead of
    // bringing the running one forward.
    EndProcesses(kTool);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (toolCommandLines().size() < 2 && GetTickCount64() < deadline) {
        Click(FindByAutomationId(main, L"CmdSharePointServerBackup"));
        WaitFor([&] { return toolCommandLines().size() >= 2; }, 500);
    }
    ASSERT_EQ(toolCommandLines().size(), 2u);

    // Closing the program leaves a running tool to finish its work.
    PostClick(FindByAutomationId(main, L"picClose"));
    EXPECT_TRUE(WaitFor([&] { return tessaron_->ended(); }, 10000));
    EXPECT_EQ(CountProcesses(kTool), 1u);
}

}  // namespace
}  // namespace tess::test
