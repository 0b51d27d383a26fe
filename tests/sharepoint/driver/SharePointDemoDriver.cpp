// Plays the user for the SharePoint flow of scripts/demo: starts Tessaron.exe, presses "SharePoint
// Server Data Transfer" on the main window, watches the SharePoint tool's window appear centred on
// top of the main window, moves the main window (the tool's window follows) and waits until the
// tool has shipped its content and ended, and the program's wait with it; then closes the program.
// Prints what it sees; exit code 0 when the tool reported "Completed" and the program's wait ended.
// Usage: sharepoint_demo_driver.exe <program folder>
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using tess::test::PostClick;
using tess::test::WaitForTopWindow;

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

// Polls a condition every 100 ms until it holds or the time is up.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(100);
    }
    return true;
}

std::string fileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    char buffer[65536];
    DWORD got = 0;
    std::string bytes;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(f);
    return bytes;
}

// Where the tool's window sits against the centre of the main window, in pixels.
std::wstring offsetFromCentre(HWND main, HWND tool) {
    RECT m{}, t{};
    GetWindowRect(main, &m);
    GetWindowRect(tool, &t);
    const long dx = ((t.left + t.right) - (m.left + m.right)) / 2, dy = ((t.top + t.bottom) - (m.top + m.bottom)) / 2;
    const bool topmost = (GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return L"centre offset (" + std::to_wstring(dx) + L", " + std::to_wstring(dy) + L") px, " +
           (topmost ? L"on top" : L"not on top");
}

HWND toolWindow() {
    HWND h = FindWindowW(nullptr, L"SharePoint Server");
    return h && IsWindowVisible(h) ? h : nullptr;
}

// Watches the tool's window follow the main window, until the tool ends.
void watchTheRun(HWND main) {
    HWND tool = nullptr;
    if (!waitUntil([&] { return (tool = toolWindow()) != nullptr; }, 30000)) {
        say(L"the tool's window did not appear");
        return;
    }
    waitUntil([&] { return GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_TOPMOST; }, 2000);
    say(L"the tool's window \"SharePoint Server\" appeared: " + offsetFromCentre(main, tool));
    RECT m{};
    GetWindowRect(main, &m);
    SetWindowPos(main, nullptr, m.left - 120, m.top - 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(400);
    say(L"main window moved by (-120, -80): the tool's window " + offsetFromCentre(main, tool));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return fail(L"usage: sharepoint_demo_driver <program folder>");
    const std::wstring program = argv[1];
    const std::wstring trace = program + L"\\VXCOMMON\\TraceFile.txt";
    DeleteFileW(trace.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + program + L"\\Tessaron.exe\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, program.c_str(), &si, &pi))
        return fail(L"Tessaron.exe could not be started");

    HWND main = WaitForTopWindow(pi.dwProcessId, L"FrmAdvancedBackup", 60000);
    if (!main) return fail(L"the main window did not appear");
    say(L"main window: pressing \"SharePoint Server Data Transfer\"");
    const ULONGLONG start = GetTickCount64();
    PostClick(tess::FindByAutomationId(main, L"CmdSharePointServerBackup"));
    watchTheRun(main);

    const bool ended = waitUntil([&] { return fileBytes(trace).find("Exit RunSharePointTransfer") != std::string::npos; },
                                 600000);
    std::string status = fileBytes(program + L"\\VXSharepointstatus.txt");
    status = status.substr(0, status.find_first_of("\r\n"));
    say(ended ? L"the tool ended, and Tessaron's wait with it, after " +
                    std::to_wstring((GetTickCount64() - start) / 1000) + L" s; the tool reported \"" +
                    std::wstring(status.begin(), status.end()) + L"\""
              : L"Tessaron was still waiting after 10 minutes");
    if (HWND m = WaitForTopWindow(pi.dwProcessId, L"FrmAdvancedBackup", 1000)) PostClick(tess::FindByAutomationId(m, L"picClose"));
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return ended && status.rfind("Completed", 0) == 0 ? 0 : fail(L"the SharePoint transfer did not complete");
}
