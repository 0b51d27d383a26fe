// Plays the user for scripts/demo and the Exchange end-to-end tests: starts Tessaron.exe, presses
// "Exchange Server Data Transfer", waits for the wizard to load the storage tree (every group is
// ticked there) or the 2010/2013 database list (whose databases it ticks with the keyboard),
// fills in the two folders, presses "Transfer data" and answers the message boxes (No to viewing
// the log), then closes the program. Prints what it sees, each message as "message: <text>".
// Exit code 0 when the run reached its last question, 2 when it ended without it (a stop at a
// time limit, Esc, a full drive), 3 when a message ended the way before the wizard opened (399,
// 400), 1 otherwise.
// Usage: exchange_demo_driver.exe <program folder> <temporary folder> <destination folder>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using namespace tess::test;
using tess::FindByAutomationId;

DWORD gPid = 0;

int say(const std::wstring& text, int status = 1) {
    Say(text);
    return status;
}

// Waits until the load has filled the tree or the list; ticks the list's databases.
bool awaitStores(HWND wizard) {
    HWND tree = FindByAutomationId(wizard, L"tvDatabase"), list = FindByAutomationId(wizard, L"LstExch");
    LRESULT count = 0;
    const auto loaded = [&] {
        AnswerMessage(gPid);
        count = IsWindowVisible(list) ? SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) : SendMessageW(tree, TVM_GETCOUNT, 0, 0) - 2;
        return count > 0;
    };
    if (!WaitFor(loaded, 300000)) return false;
    if (!IsWindowVisible(list)) {
        say(L"storage tree: every storage group ticked");
        return true;
    }
    say(RemoteText(FindByAutomationId(wizard, L"lblExchServer")) + L": ticking " + std::to_wstring(count) + L" databases");
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    for (LRESULT i = 0; i < count; ++i) {
        PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
        PostMessageW(list, WM_KEYUP, VK_SPACE, 0);
        PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    }
    return WaitFor([&] { return ListView_GetCheckState(list, count - 1) != 0; }, 5000);
}

int drive(HWND main, const wchar_t* temporary, const wchar_t* destination) {
    say(L"main window: pressing \"Exchange Server Data Transfer\"");
    PostClick(FindByAutomationId(main, L"CmdExchangeServerBackup"));
    HWND wizard = nullptr;
    if (!WaitFor([&] { return (wizard = FindTopWindow(gPid, L"frmExchange")) || !AnswerMessage(gPid).empty(); }, 300000))
        return say(L"the Exchange wizard did not appear");
    if (!wizard) return 3;
    if (!awaitStores(wizard)) return say(L"the wizard did not show the stores");
    SetRemoteText(FindByAutomationId(wizard, L"Tempfolder_txt"), temporary);
    SetRemoteText(FindByAutomationId(wizard, L"txtDestination"), destination);
    say(std::wstring(L"temporary path ") + temporary + L", destination " + destination + L": pressing \"Transfer data\"");
    HWND transfer = FindByAutomationId(wizard, L"CmdNext");
    PostClick(transfer);
    return AnswerUntilTheRunEnds(gPid, transfer);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return say(L"usage: exchange_demo_driver <program folder> <temporary folder> <destination>");
    StartedProgram tessaron(std::wstring(argv[1]) + L"\\Tessaron.exe");
    gPid = tessaron.pid();
    HWND main = WaitForTopWindow(gPid, L"FrmAdvancedBackup", 60000);
    const int result = main ? drive(main, argv[2], argv[3]) : say(L"the main window did not appear");
    if (HWND wizard = FindTopWindow(gPid, L"frmExchange")) PostClick(FindByAutomationId(wizard, L"CmdCancel"));
    WaitFor([&] { return !FindTopWindow(gPid, L"frmExchange"); }, 2000);
    if (main) PostClick(FindByAutomationId(main, L"picClose"));
    WaitFor([&] { return tessaron.ended(); }, 15000);
    return result;
}
