// Plays the user for scripts/demo and the SQL end-to-end test: starts Tessaron.exe, opens the SQL
// Server transfer, logs in to (local) with Windows authentication, fills in the two folders,
// presses "Transfer data" and answers each message box with No or OK (the script prints the log),
// then closes the program. Prints what it sees, each message as "message: <text>".
// Exit code 0 when the run reached its last question, 2 when it ended without it, 1 otherwise.
// Usage: sql_demo_driver.exe <program folder> <temporary folder> <destination folder>
#include <windows.h>

#include <string>

#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using namespace tess::test;

DWORD gPid = 0;

HWND control(HWND window, const wchar_t* name) { return tess::FindByAutomationId(window, name); }

// From the main window through the login to the database window.
HWND openDatabaseWindow() {
    HWND main = WaitForTopWindow(gPid, L"FrmAdvancedBackup", 60000);
    if (!main) return nullptr;
    Say(L"main window: pressing \"SQL Server Data Transfer\"");
    PostClick(control(main, L"CmdSQLServerBackup"));
    HWND login = WaitForTopWindow(gPid, L"frmSQLSvrLogin", 30000);
    if (!login) return nullptr;
    HWND server = control(login, L"TxtSQLSrvrName");
    Say(L"login: instance \"" + RemoteText(server) + L"\" offered; using (local), Windows authentication");
    SetRemoteText(server, L"(local)");
    PostClick(control(login, L"CmdSQLLogin"));
    return WaitForTopWindow(gPid, L"frmSQLDataList", 120000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 1;
    StartedProgram program(std::wstring(argv[1]) + L"\\Tessaron.exe");
    gPid = program.pid();
    HWND list = program.started() ? openDatabaseWindow() : nullptr;
    if (!list) {
        Say(L"demo driver: the SQL Server windows did not open");
        return 1;
    }
    Say(L"database window: backup size " + RemoteText(control(list, L"Totalbksetsize")));
    SetRemoteText(control(list, L"Tempfolder_txt"), argv[2]);
    SetRemoteText(control(list, L"txtDestination"), argv[3]);
    Say(std::wstring(L"temporary path ") + argv[2] + L", destination " + argv[3] + L": pressing \"Transfer data\"");
    PostClick(control(list, L"CmdSQLNext"));
    const int ending = AnswerUntilTheRunEnds(gPid, control(list, L"CmdSQLNext"));

    PostClick(control(list, L"cmdCancel"));
    for (int i = 0; i < 50 && FindTopWindow(gPid, L"frmSQLDataList"); ++i) Sleep(100);
    if (HWND main = FindTopWindow(gPid, L"FrmAdvancedBackup")) PostClick(control(main, L"picClose"));
    for (int i = 0; i < 150 && !program.ended(); ++i) Sleep(100);
    return ending;
}
