// SharePoint detection from the environment and the files present; the run refused without
// SharePoint, and with the stand-in tool handing its work to a second copy (its window placed, Esc
// asking first). The tool's command line and the rest of the run: tests/e2e/SharePointE2ETest.cpp.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <tuple>

#include "app/SharePoint.h"
#include "app/SharePointRun.h"
#include "common/Files.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

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

// Without SharePoint: 577, and an earlier run's files stay. Then the stand-in tool in a program
// folder of the test's own; it hands its run to a second copy of itself, which shows the window
// while the first waits for it (a tool that restarts itself elevated).
TEST(SharePointRun, WithoutSharePoint577ElseTheWindowOfASecondCopyIsPlacedAndEscAsksBeforeStopping) {
    static const wchar_t kTool[] = L"OstrovaSharepoint.exe";
    test::ScopedProgramFolder program(L"sprun");
    struct EndsTheTool {  // before the folder goes: its files are in use while it runs
        ~EndsTheTool() { test::EndProcesses(kTool); }
    } endsTheTool;
    CopyFileW((test::BuildBinFolder() + L"\\" + kTool).c_str(), (program.path() + L"\\" + kTool).c_str(), FALSE);
    test::WriteBytes(program.path() + L"\\demo.ini", "[Faults]\r\nOstrovaSharepoint=slow:60\r\n");
    test::ScopedEnvironment demo(L"TESSARON_DEMO", (program.path() + L"\\demo.ini").c_str());
    test::ScopedEnvironment common(L"CommonProgramW6432", program.path().c_str());
    test::ScopedEnvironment handOver(L"TESSARON_SHAREPOINT_HAND_OVER", L"1");
    test::RecordedMessages messages;
    Window main(L"FrmAdvancedBackup", {0, 0, 476, 404});
    ASSERT_TRUE(main.createModeless(nullptr, SW_SHOWNOACTIVATE));
    test::WriteBytes(program.path() + L"\\VXSharepointstatus.txt", "Completed\r\n");
    RunSharePointTransfer(main.hwnd());
    EXPECT_EQ(messages.codes(), std::vector<int>{577});
    EXPECT_EQ(test::ReadBytes(program.path() + L"\\VXSharepointstatus.txt"), "Completed\r\n");

    const std::wstring bin = program.path() + L"\\Microsoft Shared\\Web Server Extensions\\12\\Bin";
    SHCreateDirectoryExW(nullptr, bin.c_str(), nullptr);
    test::WriteBytes(bin + L"\\WSSADMIN.EXE", "MZ");
    RunSharePointTransfer(main.hwnd());
    HWND tool = nullptr;
    ASSERT_TRUE(test::WaitFor([&] { return (tool = test::SharePointToolWindow()) != nullptr; }, 30000));
    EXPECT_EQ(test::CountProcesses(kTool), 2u) << "the first copy waits for the second";
    EXPECT_TRUE(test::WaitFor([&] { return test::CentredOnTop(main.hwnd(), tool); }, 3000));

    // answer; whether the transfer goes on
    const std::tuple<MessageResult, bool> answers[] = {{kResultNo, true}, {kResultYes, false}};
    for (const auto& [answer, goesOn] : answers) {
        SCOPED_TRACE(answer);
        messages.answer = answer;
        messages.calls.clear();
        PostMessageW(main.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        test::PumpMessages();
        ASSERT_EQ(messages.codes(), std::vector<int>{578});
        EXPECT_TRUE(messages.calls.front().noByDefault);
        EXPECT_EQ(SharePointTransferRunning(main.hwnd()), goesOn);
        EXPECT_EQ(test::CountProcesses(kTool), goesOn ? 2u : 0u);
        EXPECT_TRUE(!goesOn || test::WaitFor([&] { return test::CentredOnTop(main.hwnd(), tool); }, 3000));
    }
}

}  // namespace
}  // namespace tess
