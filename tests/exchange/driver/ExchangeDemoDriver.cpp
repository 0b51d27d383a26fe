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

#include <cstdio>
#include <string>

#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using namespace tess::test;

DWORD gPid = 0;

void say(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("  %s\n", utf8.c_str());
    std::fflush(stdout);
}

int fail(const std::wstring& what) {
    say(L"demo driver: " + what);
    return 1;
}

HWND child(HWND parent, const wchar_t* name) { return tess::FindByAutomationId(parent, name); }

std::wstring trimmed(std::wstring text) {
    text.erase(0, text.find_first_not_of(L"\r\n "));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

// Answers one message box with No or OK; its text.
std::wstring answer(HWND box) {
    HWND label = child(box, L"lblText");
    if (!label || !IsWindowVisible(label)) label = child(box, L"lblSmallText");
    const std::wstring text = trimmed(RemoteText(label));
    say(L"message: " + text);
    for (const wchar_t* name : {L"cmdButton0", L"cmdButton1", L"cmdButton2"}) {
        HWND b = child(box, name);
        if (b && IsWindowVisible(b) && (RemoteText(b) == L"No" || RemoteText(b) == L"OK")) {
            PostClick(b);
            break;
        }
    }
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
    return text;
}

// The wizard, or the message that refused it.
HWND openWizard(HWND main, bool& refused) {
    say(L"main window: pressing \"Exchange Server Data Transfer\"");
    PostClick(child(main, L"CmdExchangeServerBackup"));
    for (ULONGLONG deadline = GetTickCount64() + 300000; GetTickCount64() < deadline; Sleep(100)) {
        if (HWND wizard = FindTopWindow(gPid, L"frmExchange")) return wizard;
        if (HWND box = FindTopWindow(gPid, L"MesgBox")) {
            answer(box);
            refused = true;
            return nullptr;
        }
    }
    return nullptr;
}

// Waits until the load has filled the tree or the list; ticks the list's databases.
bool awaitStores(HWND wizard) {
    HWND tree = child(wizard, L"tvDatabase");
    HWND list = child(wizard, L"LstExch");
    for (ULONGLONG deadline = GetTickCount64() + 300000; GetTickCount64() < deadline; Sleep(200)) {
        if (HWND box = FindTopWindow(gPid, L"MesgBox")) answer(box);
        const bool listShown = list && IsWindowVisible(list);
        const LRESULT count = listShown ? SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) : SendMessageW(tree, TVM_GETCOUNT, 0, 0);
        if (count <= (listShown ? 0 : 2)) continue;
        if (!listShown) {
            say(L"storage tree: " + std::to_wstring(count) + L" nodes, every storage group ticked");
            return true;
        }
        say(RemoteText(child(wizard, L"lblExchServer")) + L": ticking " + std::to_wstring(count) + L" databases");
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
        for (LRESULT i = 0; i < count; ++i) {
            PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
            PostMessageW(list, WM_KEYUP, VK_SPACE, 0);
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
        }
        Sleep(500);
        return true;
    }
    return false;
}

int drive(const wchar_t* temporary, const wchar_t* destination) {
    HWND main = WaitForTopWindow(gPid, L"FrmAdvancedBackup", 60000);
    if (!main) return fail(L"the main window did not appear");
    bool refused = false;
    HWND wizard = openWizard(main, refused);
    if (refused) return 3;
    if (!wizard) return fail(L"the Exchange wizard did not appear");
    if (!awaitStores(wizard)) return fail(L"the wizard did not show the stores");
    SetRemoteText(child(wizard, L"Tempfolder_txt"), temporary);
    SetRemoteText(child(wizard, L"txtDestination"), destination);
    say(std::wstring(L"temporary path ") + temporary + L", destination " + destination + L": pressing \"Transfer data\"");
    HWND transfer = child(wizard, L"CmdNext");
    PostClick(transfer);
    bool started = false;
    for (ULONGLONG deadline = GetTickCount64() + 1800000; GetTickCount64() < deadline; Sleep(100)) {
        if (HWND box = FindTopWindow(gPid, L"MesgBox")) {
            if (answer(box).rfind(L"Do you want to view the logs", 0) == 0) return 0;
            continue;
        }
        // The run disables the button while it works and enables it again when it ends.
        if (!IsWindowEnabled(transfer)) started = true;
        else if (started) {
            say(L"the run ended without the question about the logs");
            return 2;
        }
    }
    return fail(L"the transfer did not end");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return fail(L"usage: exchange_demo_driver <program folder> <temporary folder> <destination>");
    const std::wstring program = argv[1];
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + program + L"\\Tessaron.exe\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, program.c_str(), &si, &pi))
        return fail(L"Tessaron.exe could not be started");
    gPid = pi.dwProcessId;
    const int result = drive(argv[2], argv[3]);
    if (HWND w = FindTopWindow(gPid, L"frmExchange")) PostClick(child(w, L"CmdCancel"));
    Sleep(500);
    if (HWND m = FindTopWindow(gPid, L"FrmAdvancedBackup")) PostClick(child(m, L"picClose"));
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}
