// Presses Ctrl+C on a console the way a person at it would: started in a console of its own
// (CREATE_NEW_CONSOLE), it runs PROGRAM on that console, waits until the test sets the named
// event EVENT, then sends CTRL_C_EVENT to every process of the console, itself excepted. Its
// exit code is PROGRAM's (100 and up: it could not do its part).
// Usage: console_ctrl_c EVENT PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 100;
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
    if (!go) return 101;
    std::wstring line;
    for (int i = 2; i < argc; ++i) line += (i > 2 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    // The same process group: Ctrl+C reaches a group of its own only when it asks for it again.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 102;
    HANDLE both[2] = {go, pi.hProcess};
    if (WaitForMultipleObjects(2, both, FALSE, 600000) != WAIT_OBJECT_0) return 103;
    SetConsoleCtrlHandler(nullptr, TRUE);
    // Wine delivers Ctrl+C to the whole console (group 0); it refuses Ctrl+Break to a group.
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return 104;
    if (WaitForSingleObject(pi.hProcess, 600000) != WAIT_OBJECT_0) return 105;
    DWORD code = 106;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}
