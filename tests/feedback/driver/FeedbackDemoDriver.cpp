// Plays the user for the feedback demo: points the program's settings at the local notification
// server, starts Tessaron.exe, chooses "Send Error Report" in the main window's help menu, fills
// in the report window, presses "Send" and waits for the outcome in lblProgress, then closes the
// program. Controls are found by their AutomationId. Exit code 0 when the report was sent.
// Usage: feedback_demo_driver.exe <program folder> <server port> [--wait-for <file> | --settings-only]
//   --wait-for       after filling in the window, wait until the file exists before sending (a
//                    screenshot of the filled-in window can be taken meanwhile)
//   --settings-only  only point the settings at the server (the user drives the program)
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/MainWindow.h"
#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "feedback/NotificationClient.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using tess::test::RemoteText;

void say(const std::wstring& text) {
    wprintf(L"   %ls\n", text.c_str());
    fflush(stdout);
}

template <typename Condition>
bool waitUntil(DWORD timeoutMs, const Condition& condition) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(100);
    }
    return true;
}

void writeSettings(const std::wstring& programFolder, const std::wstring& port) {
    tess::SetProgramFolderForTesting(programFolder);
    tess::EnsureCommonDataFolder();
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackServerKey, L"localhost");
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackPortKey, port);
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackRecipientKey, L"support@ostrova.example");
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackWaitKey, L"60");
}

void fill(HWND report, const wchar_t* name, const std::wstring& text) {
    tess::test::SetRemoteText(tess::FindByAutomationId(report, name), text);
}

// Fills in and sends the report; returns the outcome text.
std::wstring sendReport(HWND report, const std::wstring& waitFor) {
    fill(report, L"txtFrom", L"dana.reyes@example.com");
    fill(report, L"txtContactNumber", L"+1 555 0100");
    fill(report, L"txtTroubleTicket", L"4711");
    fill(report, L"txtMsg", L"The SQL Server transfer to E:\\Ostrova went well.\r\n"
                            L"Please confirm that the drive can be shipped on Monday.");
    say(L"subject: " + RemoteText(tess::FindByAutomationId(report, L"txtSubject")));
    if (!waitFor.empty()) waitUntil(600000, [&] { return tess::FileExists(waitFor); });
    say(L"pressing Send");
    tess::test::PostClick(tess::FindByAutomationId(report, L"cmdSend"));
    HWND progress = tess::FindByAutomationId(report, L"lblProgress");
    std::wstring outcome;
    waitUntil(120000, [&] {
        outcome = RemoteText(progress);
        return outcome.find(L"successfully") != std::wstring::npos || outcome.find(L"Failed") != std::wstring::npos;
    });
    return outcome;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: feedback_demo_driver <program folder> <server port> [--wait-for <file> | --settings-only]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring waitFor = argc >= 5 && std::wstring(argv[3]) == L"--wait-for" ? argv[4] : L"";
    writeSettings(folder, argv[2]);
    if (argc >= 4 && std::wstring(argv[3]) == L"--settings-only") return 0;

    std::wstring command = L"\"" + folder + L"\\Tessaron.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        fwprintf(stderr, L"cannot start %ls: %lu\n", command.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(pi.hThread);
    int status = 1;
    HWND main = tess::test::WaitForTopWindow(pi.dwProcessId, L"FrmAdvancedBackup", 60000);
    if (main) {
        say(L"main window: help menu, \"Send Error Report\"");
        // What choosing the menu item delivers to the window.
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(tess::FrmAdvancedBackup::kIdMenuSendErrorReport, 0), 0);
        if (HWND report = tess::test::WaitForTopWindow(pi.dwProcessId, L"frmErrorReport1", 30000)) {
            say(L"window: " + RemoteText(tess::FindByAutomationId(report, L"lblTitle")));
            const std::wstring outcome = sendReport(report, waitFor);
            say(L"lblProgress: " + outcome);
            if (outcome == L"Feedback report has been sent successfully.") status = 0;
            tess::test::PostClick(tess::FindByAutomationId(report, L"cmdExit"));
        } else {
            say(L"the report window did not open");
        }
        waitUntil(10000, [&] { return !tess::test::FindTopWindow(pi.dwProcessId, L"frmErrorReport1"); });
        tess::test::PostClick(tess::FindByAutomationId(main, L"picClose"));
    } else {
        say(L"the main window did not open");
    }
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return status;
}
