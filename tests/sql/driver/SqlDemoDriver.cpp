// Plays the user for scripts/demo: starts Tessaron.exe, opens the SQL Server transfer from the
// main window, logs in to (local) with Windows authentication, fills in the two folders, presses
// "Transfer data" and answers the message boxes (No to viewing the log: the script prints it),
// then closes the program. Controls are found by their AutomationId property, as a screen reader
// or a UI test finds them. Prints what it sees; exit code 0 when the run reached its last question.
// Usage: sql_demo_driver.exe <program folder> <temporary folder> <destination folder>
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using tess::FindByAutomationId;
using namespace tess::test;

DWORD gPid = 0;

HWND waitTop(const wchar_t* name, DWORD timeoutMs) { return WaitForTopWindow(gPid, name, timeoutMs); }

HWND control(HWND window, const wchar_t* name) { return FindByAutomationId(window, name); }

void say(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("  %s\n", utf8.c_str());
    std::fflush(stdout);
}

int fail(const wchar_t* what) {
    say(std::wstring(L"demo driver: ") + what);
    return 1;
}

// From the main window through the login to the database window.
HWND openDatabaseWindow() {
    HWND main = waitTop(L"FrmAdvancedBackup", 60000);
    if (!main) return nullptr;
    say(L"main window: pressing \"SQL Server Data Transfer\"");
    PostClick(control(main, L"CmdSQLServerBackup"));
    HWND login = waitTop(L"frmSQLSvrLogin", 30000);
    if (!login) return nullptr;
    HWND server = control(login, L"TxtSQLSrvrName");
    say(L"login: instance \"" + RemoteText(server) + L"\" offered; using (local), Windows authentication");
    SetRemoteText(server, L"(local)");
    PostClick(control(login, L"CmdSQLLogin"));
    return waitTop(L"frmSQLDataList", 120000);
}

// Answers No or OK to each message until the question that ends the run.
bool answerUntilTheLastQuestion() {
    for (int shown = 0; shown < 10; ++shown) {
        HWND box = waitTop(L"MesgBox", 600000);
        if (!box) return false;
        const std::wstring text = MessageBoxText(box);
        say(L"message: " + text);
        if (HWND answer = NoOrOkButton(box)) {
            say(L"answering " + RemoteText(answer));
            PostClick(answer);
        }
        for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
        if (text.rfind(L"Do you want to view the logs", 0) == 0) return true;
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return fail(L"usage: sql_demo_driver <program folder> <temporary folder> <destination>");
    const std::wstring program = argv[1];
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + program + L"\\Tessaron.exe\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, program.c_str(), &si, &pi))
        return fail(L"Tessaron.exe could not be started");
    gPid = pi.dwProcessId;

    HWND list = openDatabaseWindow();
    if (!list) return fail(L"the SQL Server windows did not open");
    say(L"database window: backup size " + RemoteText(control(list, L"Totalbksetsize")));
    SetRemoteText(control(list, L"Tempfolder_txt"), argv[2]);
    SetRemoteText(control(list, L"txtDestination"), argv[3]);
    say(std::wstring(L"temporary path ") + argv[2] + L", destination " + argv[3] + L": pressing \"Transfer data\"");
    PostClick(control(list, L"CmdSQLNext"));
    const bool finished = answerUntilTheLastQuestion();

    PostClick(control(list, L"cmdCancel"));
    for (int i = 0; i < 50 && FindTopWindow(gPid, L"frmSQLDataList"); ++i) Sleep(100);
    if (HWND m = FindTopWindow(gPid, L"FrmAdvancedBackup")) PostClick(control(m, L"picClose"));
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return finished ? 0 : fail(L"the transfer did not reach its last question");
}
