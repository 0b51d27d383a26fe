// Plays the user for the feedback demo: points the program's settings at the local notification
// server, starts Tessaron.exe, chooses "Send Error Report" in the main window's help menu, fills
// in the report window, presses "Send" and waits for the outcome in lblProgress, then closes the
// program. Controls are found by their AutomationId. Exit code 0 when the report was sent.
// Usage: feedback_demo_driver.exe <program folder> <server port> [--settings-only]
//   --settings-only  only point the settings at the server (the user drives the program)
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "feedback/NotificationClient.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using namespace tess::test;
using tess::FindByAutomationId;

void writeSettings(const std::wstring& programFolder, const std::wstring& port) {
    tess::SetProgramFolderForTesting(programFolder);
    tess::EnsureCommonDataFolder();
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackServerKey, L"localhost");
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackPortKey, port);
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackRecipientKey, L"support@ostrova.example");
    tess::Trf_WriteUserProfile(tess::feedback::kFeedbackWaitKey, L"60");
}

// Fills in and sends the report; returns the outcome text.
std::wstring sendReport(HWND report) {
    const std::pair<const wchar_t*, const wchar_t*> fields[] = {
        {L"txtFrom", L"dana.reyes@example.com"},
        {L"txtContactNumber", L"+1 555 0100"},
        {L"txtTroubleTicket", L"4711"},
        {L"txtMsg", L"The SQL Server transfer to E:\\Ostrova went well.\r\n"
                    L"Please confirm that the drive can be shipped on Monday."}};
    for (const auto& [name, text] : fields) SetRemoteText(FindByAutomationId(report, name), text);
    Say(L"subject: " + RemoteText(FindByAutomationId(report, L"txtSubject")));
    Say(L"pressing Send");
    PostClick(FindByAutomationId(report, L"cmdSend"));
    std::wstring outcome;
    WaitFor([&] {
        outcome = RemoteText(FindByAutomationId(report, L"lblProgress"));
        return outcome.find(L"successfully") != std::wstring::npos || outcome.find(L"Failed") != std::wstring::npos;
    }, 120000);
    return outcome;
}

// The pop-up menu (the system's class "#32768") that process `pid` shows, or null.
HWND popupMenu(DWORD pid) {
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        if (owner == pid && IsWindowVisible(menu)) return menu;
    }
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: feedback_demo_driver <program folder> <server port> [--settings-only]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    writeSettings(folder, argv[2]);
    if (argc >= 4 && std::wstring(argv[3]) == L"--settings-only") return 0;

    StartedProgram tessaron(folder + L"\\Tessaron.exe");
    HWND main = WaitForTopWindow(tessaron.pid(), L"FrmAdvancedBackup", 60000);
    if (!main) return Say(L"the main window did not open"), 1;
    Say(L"main window: help menu, \"Send Error Report\"");
    PostClick(FindByAutomationId(main, L"ImageEncHelp"));
    // The menu's keys, as a user presses them: the second item, "Send Error Report".
    HWND menu = nullptr;
    WaitFor([&] { return (menu = popupMenu(tessaron.pid())) != nullptr; }, 30000);
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, vk, 0);
    int status = 1;
    if (HWND report = WaitForTopWindow(tessaron.pid(), L"frmErrorReport1", 30000)) {
        Say(L"window: " + RemoteText(FindByAutomationId(report, L"lblTitle")));
        const std::wstring outcome = sendReport(report);
        Say(L"lblProgress: " + outcome);
        if (outcome == L"Feedback report has been sent successfully.") status = 0;
        PostClick(FindByAutomationId(report, L"cmdExit"));
    } else {
        Say(L"the report window did not open");
    }
    WaitFor([&] { return !FindTopWindow(tessaron.pid(), L"frmErrorReport1"); });
    PostClick(FindByAutomationId(main, L"picClose"));
    WaitFor([&] { return tessaron.ended(); }, 20000);
    return status;
}
