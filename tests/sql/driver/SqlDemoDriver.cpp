// Plays the user for scripts/demo: starts Tessaron.exe, opens the SQL Server transfer from the
// main window, logs in to (local) with Windows authentication, fills in the two folders, presses
// "Transfer data" and answers the message boxes (No to viewing the log: the script prints it),
// then closes the program. Controls are found by their AutomationId property, as a screen reader
// or a UI test finds them. Prints what it sees; exit code 0 when the run reached its last question.
// Usage: sql_demo_driver.exe <program folder> <temporary folder> <destination folder>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

DWORD gPid = 0;

std::wstring automationIdOf(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, L"AutomationId")));
    wchar_t name[256] = {};
    if (atom) GlobalGetAtomNameW(atom, name, 256);
    return name;
}

HWND findTop(const wchar_t* name) {
    struct S {
        const wchar_t* name;
        HWND found;
    } s{name, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<S*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == gPid && IsWindowVisible(hwnd) && automationIdOf(hwnd) == s->name) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND findChild(HWND parent, const wchar_t* name) {
    struct S {
        const wchar_t* name;
        HWND found;
    } s{name, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<S*>(lp);
            if (automationIdOf(hwnd) == s->name) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND waitTop(const wchar_t* name, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND h = findTop(name)) return h;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(100);
    }
}

std::wstring textOf(HWND hwnd) {
    wchar_t buffer[2048] = {};
    DWORD_PTR r = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &r);
    std::wstring text = buffer;
    text.erase(0, text.find_first_not_of(L"\r\n "));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

void setText(HWND hwnd, const std::wstring& text) {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &r);
}

void click(HWND button) {
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

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

    HWND main = waitTop(L"FrmAdvancedBackup", 60000);
    if (!main) return fail(L"the main window did not appear");
    say(L"main window: pressing \"SQL Server Data Transfer\"");
    click(findChild(main, L"CmdSQLServerBackup"));
    HWND login = waitTop(L"frmSQLSvrLogin", 30000);
    if (!login) return fail(L"the login window did not appear");
    say(L"login: instance \"" + textOf(findChild(login, L"TxtSQLSrvrName")) + L"\" offered; using (local), Windows authentication");
    setText(findChild(login, L"TxtSQLSrvrName"), L"(local)");
    click(findChild(login, L"CmdSQLLogin"));
    HWND list = waitTop(L"frmSQLDataList", 120000);
    if (!list) return fail(L"the database window did not appear");
    say(L"database window: backup size " + textOf(findChild(list, L"Totalbksetsize")));
    setText(findChild(list, L"Tempfolder_txt"), argv[2]);
    setText(findChild(list, L"txtDestination"), argv[3]);
    say(std::wstring(L"temporary path ") + argv[2] + L", destination " + argv[3] + L": pressing \"Transfer data\"");
    click(findChild(list, L"CmdSQLNext"));

    bool finished = false;
    for (int shown = 0; shown < 10 && !finished; ++shown) {
        HWND box = waitTop(L"MesgBox", 600000);
        if (!box) break;
        HWND label = findChild(box, L"lblText");
        if (!label || !IsWindowVisible(label)) label = findChild(box, L"lblSmallText");
        const std::wstring text = textOf(label);
        say(L"message: " + text);
        finished = text.rfind(L"Do you want to view the logs", 0) == 0;
        for (const wchar_t* name : {L"cmdButton0", L"cmdButton1", L"cmdButton2"}) {
            HWND b = findChild(box, name);
            if (b && IsWindowVisible(b) && (textOf(b) == L"No" || textOf(b) == L"OK")) {
                say(L"answering " + textOf(b));
                click(b);
                break;
            }
        }
        for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
    }
    if (HWND l = findTop(L"frmSQLDataList")) click(findChild(l, L"cmdCancel"));
    Sleep(500);
    if (HWND m = findTop(L"FrmAdvancedBackup")) click(findChild(m, L"picClose"));
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return finished ? 0 : fail(L"the transfer did not reach its last question");
}
