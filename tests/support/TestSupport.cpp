#include "support/TestSupport.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>

#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"

namespace tess::test {

namespace {

// Runs a program of Wine's host on the Unix names of Windows paths (the last part need not exist
// yet). Wine 8's CreateSymbolicLinkW claims success and makes nothing, but CreateProcess of a
// Unix program's Windows path runs it. It hands back no process to wait for: callers poll.
void runOnUnixNames(const wchar_t* program, const wchar_t* option, std::initializer_list<std::wstring> paths) {
    static const auto unixName = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return;
    std::wstring line = std::wstring(program) + L" " + option;
    for (const auto& path : paths) {
        char* name = unixName(path.c_str());
        line += L" \"" + FromAnsi(name ? name : "") + L"\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) return;
    if (started.hThread) CloseHandle(started.hThread);
    if (started.hProcess) CloseHandle(started.hProcess);
}

}  // namespace

bool PlantFolderLink(const std::wstring& link, const std::wstring& target) {
    runOnUnixNames(L"Z:\\bin\\ln", L"-s", {target, link});
    return WaitFor([&] { return IsLink(link); }, 5000);
}

TempDir::TempDir(const std::wstring& tag) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring base = std::wstring(temp) + L"tess-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (;;) {
        path_ = base + std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

// Under Wine a link stays where DeleteFolderTree meets it; the host's rm removes it as a link.
TempDir::~TempDir() {
    if (!DeleteFolderTree(path_)) runOnUnixNames(L"Z:\\bin\\rm", L"-rf", {path_});
}

ScopedProgramFolder::ScopedProgramFolder(const std::wstring& tag) : dir_(tag) { SetProgramFolderForTesting(dir_.path()); }
ScopedProgramFolder::~ScopedProgramFolder() { SetProgramFolderForTesting(L""); }

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpMessages();
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The path baked in by CMake is a Unix path; Wine maps it through drive Z:.
std::wstring BuildBinFolder() {
    std::wstring p = L"Z:" + FromAnsi(TESS_BIN_DIR);
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return p;
}

std::wstring TestKeyFile(const std::wstring& name) {
    std::wstring p = L"Z:" + FromAnsi(TESS_SOURCE_DIR) + L"/tests/support/keys/" + name;
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return p;
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &argc);
    if (!argv) return {};
    std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);
    return args;
}

std::string ReadBytes(const std::wstring& path) { return ReadFileBytes(path).value_or(std::string()); }
void WriteBytes(const std::wstring& path, const std::string& bytes) { WriteFileBytes(path, bytes); }

std::wstring FileHolding(const std::wstring& folder, const std::string& secret) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    std::wstring holding;
    for (bool more = find != INVALID_HANDLE_VALUE; more && holding.empty(); more = FindNextFileW(find, &found)) {
        const std::wstring name = found.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L".." || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            holding = FileHolding(path, secret);
        else if (ReadBytes(path).find(secret) != std::string::npos)
            holding = path;
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return holding;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[4096];
    const DWORD n = GetEnvironmentVariableW(name, old, 4096);
    had_ = n > 0 && n < 4096;
    if (had_) old_ = old;
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

ScopedTestKey::ScopedTestKey(HKEY r, const std::wstring& name) : root(r), path(L"Software\\TessaronTest\\" + name) {
    RegDeleteTreeW(root, path.c_str());
}
ScopedTestKey::~ScopedTestKey() { RegDeleteTreeW(root, path.c_str()); }
void ScopedTestKey::set(const wchar_t* value, DWORD type, const std::string& bytes) const {
    RegSetKeyValueW(root, path.c_str(), value, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

ScopedRegValue::ScopedRegValue(HKEY root, std::wstring path, std::wstring name, DWORD type, const std::string& bytes)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {
    DWORD size = 0;
    if (RegGetValueW(root_, path_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        old_.resize(size);
        RegGetValueW(root_, path_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, nullptr, old_.data(), &size);
        old_.resize(size);
    } else {
        oldType_ = REG_NONE;
    }
    RegSetKeyValueW(root_, path_.c_str(), name_.c_str(), type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

ScopedRegValue::~ScopedRegValue() {
    if (oldType_ == REG_NONE)
        RegDeleteKeyValueW(root_, path_.c_str(), name_.c_str());
    else
        RegSetKeyValueW(root_, path_.c_str(), name_.c_str(), oldType_, old_.data(), static_cast<DWORD>(old_.size()));
}

std::string RegBytes(const std::wstring& chars) {
    return std::string(reinterpret_cast<const char*>(chars.data()), chars.size() * sizeof(wchar_t));
}
std::string RegBytes(DWORD number) { return std::string(reinterpret_cast<const char*>(&number), sizeof number); }

std::vector<DWORD> ProcessIds(const wchar_t* exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

size_t CountProcesses(const wchar_t* exeName) { return ProcessIds(exeName).size(); }

void EndProcesses(const wchar_t* exeName) {
    for (DWORD id : ProcessIds(exeName))
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
}

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n && n < MAX_PATH ? value : L"";
}

}  // namespace tess::test
