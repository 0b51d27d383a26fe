// A stand-in child process for the process-control tests. It records how it was started (its
// command line and working folder, UTF-8, one per line) when asked to, then stays alive until
// it is ended or its time is up, so a test never leaves it running for long.
//   common_child.exe [--record FILE] [--sleep MS]
// Copied in place of a system tool whose arguments it cannot choose (the setup test's icacls),
// it records to the file named by TESS_CHILD_RECORD and ends at once with 0.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void record(const std::wstring& file) {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::string text = utf8(GetCommandLineW()) + "\n" + utf8(folder) + "\n";
    // Written beside and renamed, so a test polling for the file never reads half of it.
    std::wstring temporary = file + L".part";
    HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int wmain() {
    wchar_t recordFile[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"TESS_CHILD_RECORD", recordFile, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        record(recordFile);
        return 0;
    }
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    DWORD sleepMs = 30000;
    for (int i = 1; argv && i + 1 < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--record") record(argv[++i]);
        else if (arg == L"--sleep") sleepMs = static_cast<DWORD>(_wtoi(argv[++i]));
    }
    Sleep(sleepMs);
    return 7;
}
