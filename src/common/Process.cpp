#include "common/Process.h"

// The process-status functions of psapi.dll itself, which every Windows has; the K32 names of
// kernel32 that newer SDK settings select exist only from Windows 7 on.
#define PSAPI_VERSION 1
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "common/Log.h"
#include "common/OsVersion.h"
#include "common/Text.h"

namespace tess {
namespace {

constexpr DWORD kEndWaitMs = 2000;

std::wstring lastComponent(std::wstring_view name) {
    name = name.substr(0, std::min(name.find(L'\0'), name.size()));
    return AfterLast(AfterLast(name, L"\\"), L"/");
}

// Calls `visit` with each entry of a snapshot of the process list until it returns true;
// whether one did.
template <typename Visit>
bool anyProcessEntry(Visit&& visit) {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (visit(entry)) return true;
    return false;
}

bool findBySnapshot(const std::wstring& name, bool endIt) {
    const DWORD self = GetCurrentProcessId();
    return anyProcessEntry([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID == self || !ProcessNameMatches(entry.szExeFile, name)) return false;
        if (endIt) {
            UniqueHandle process(
                OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
            if (process) EndProcess(process.get());
        }
        return true;
    });
}

std::vector<DWORD> processIds() {
    std::vector<DWORD> ids(256);
    for (;;) {
        DWORD bytes = 0;
        const DWORD capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!EnumProcesses(ids.data(), capacity, &bytes)) return {};
        // A full buffer may mean the list was cut: grow until the system leaves room to spare.
        if (bytes < capacity) {
            ids.resize(bytes / sizeof(DWORD));
            return ids;
        }
        ids.resize(ids.size() * 2);
    }
}

// The image file name of a process whose module list cannot be read (a 32-bit process seen from a
// 64-bit program): a device path, whose last component is all the match needs. Looked up at run
// time because the oldest systems of this method lack it.
std::wstring imageFileName(HANDLE process) {
    using Query = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"psapi.dll"), "GetProcessImageFileNameW")));
    wchar_t file[MAX_PATH + 1] = {};
    return query && query(process, file, MAX_PATH) ? std::wstring(file) : std::wstring();
}

std::wstring firstModuleFileName(HANDLE process) {
    HMODULE modules[25] = {};
    DWORD needed = 0;
    wchar_t file[MAX_PATH + 1] = {};
    if (EnumProcessModules(process, modules, sizeof modules, &needed) && needed > 0 &&
        GetModuleFileNameExW(process, modules[0], file, MAX_PATH))
        return file;
    return imageFileName(process);
}

bool findByProcessStatus(const std::wstring& name, bool endIt) {
    EnableDebugPrivilege(true);
    const DWORD self = GetCurrentProcessId();
    for (DWORD id : processIds()) {
        if (id == 0 || id == self) continue;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE,
                                         FALSE, id));
        if (!process) continue;
        if (!ProcessNameMatches(firstModuleFileName(process.get()), name)) continue;
        if (endIt) EndProcess(process.get());
        return true;
    }
    return false;
}

// Takes a program file as a caller may give it ("\"C:\X\tool.exe \"") and returns the bare path.
std::wstring bareProgramFile(const std::wstring& programFile) {
    std::wstring file = Trim(programFile);
    if (file.size() >= 2 && file.front() == L'"' && file.back() == L'"') file = Trim(file.substr(1, file.size() - 2));
    return file;
}

}  // namespace

EnumerationMethod ChooseEnumerationMethod(int methodHint, unsigned long major, unsigned long minor,
                                          unsigned long platformId) {
    int method = methodHint;
    // Windows 2000 always lists through the process-status functions, Vista and later always
    // through a snapshot; only XP and Server 2003 leave the choice to the caller.
    if (major == 5 && minor == 0) method = 0;
    if (major >= 6) method = 6;
    if (method >= 6) return EnumerationMethod::kSnapshot;
    return platformId == VER_PLATFORM_WIN32_WINDOWS ? EnumerationMethod::kSnapshot : EnumerationMethod::kProcessStatus;
}

bool ProcessNameMatches(std::wstring_view reportedName, std::wstring_view wanted) {
    if (wanted.empty()) return false;
    const std::wstring component = ToLower(lastComponent(reportedName));
    const std::wstring want = ToLower(wanted);
    if (component.empty()) return false;
    if (component == want) return true;
    // The companion tools are asked for with or without ".exe": compare the reported name without
    // its four-character extension with as many leading characters of the wanted name. A name too
    // short to have a stem would match everything, so it takes no part in this rule.
    if (component.size() <= 4) return false;
    const size_t stem = component.size() - 4;
    return want.size() >= stem && component.compare(0, stem, want, 0, stem) == 0;
}

void EndProcess(HANDLE process) {
    if (!TerminateProcess(process, 0)) return;
    WaitForSingleObject(process, kEndWaitMs);
}

bool FindProcess(const std::wstring& name, bool endIt, int methodHint) {
    try {
        auto method = ChooseEnumerationMethod(methodHint, OSMajorVersion(), OSMinorVersion(), OSPlatformId());
        return method == EnumerationMethod::kSnapshot ? findBySnapshot(name, endIt) : findByProcessStatus(name, endIt);
    } catch (...) {
        WriteTrace(L"Error in FindProcess out of memory");
        return false;
    }
}

bool IsProcessNamed(DWORD processId, const std::wstring& name) {
    // The process list names every process, an elevated one or another user's too, where
    // opening the process to ask for its file would be refused.
    bool named = false;
    anyProcessEntry([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID != processId) return false;
        named = ProcessNameMatches(entry.szExeFile, name);
        return true;
    });
    return named;
}

void EnableDebugPrivilege(bool enable) {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        token.release();
        return;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid)) return;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    // Without administrator rights the privilege simply stays off.
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
}

UniqueHandle RunElevatedProcess(HWND owner, const std::wstring& programFile, const std::wstring& parameters,
                                const std::wstring& workingFolder, bool& started) {
    started = false;
    try {
        const std::wstring file = bareProgramFile(programFile);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        // NOASYNC: return only once the start is complete (the caller polls for the process next).
        // FLAG_NO_UI: a failure is the caller's to report, through the program's own message box.
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
        info.hwnd = owner;
        info.lpVerb = L"runas";
        info.lpFile = file.c_str();
        info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
        info.lpDirectory = workingFolder.empty() ? nullptr : workingFolder.c_str();
        info.nShow = SW_HIDE;
        if (!ShellExecuteExW(&info)) {
            DWORD error = GetLastError();
            WriteTrace(L"Error in RunElevated " + ErrorDescription(error));
            SetLastError(error);  // the caller names the reason in its own log line
            return {};
        }
        started = true;
        return UniqueHandle(info.hProcess);
    } catch (...) {
        return {};
    }
}

long RunElevated(HWND owner, const std::wstring& programFile, const std::wstring& parameters,
                 const std::wstring& workingFolder) {
    bool started = false;
    RunElevatedProcess(owner, programFile, parameters, workingFolder, started);
    return started ? 0 : -1;
}

long RunElevated(const std::wstring& programFile, const std::wstring&, const std::wstring& workingFolder,
                 const std::wstring& parameters) {
    // The older callers passed the number 1 as the owner, which is no window; the consent prompt
    // is owned by no window instead, which is what that value amounted to.
    return RunElevated(nullptr, programFile, parameters, workingFolder);
}

UniqueHandle RunHiddenProcess(const std::wstring& commandLine, const std::wstring& workingFolder, int showCommand) {
    try {
        std::wstring line = commandLine;  // CreateProcessW may write into the command line
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
            DWORD error = GetLastError();
            WriteTrace(L"Error in RunHidden " + ErrorDescription(error));
            SetLastError(error);  // the caller names the reason in its own log line
            return {};
        }
        CloseHandle(info.hThread);
        return UniqueHandle(info.hProcess);
    } catch (...) {
        return {};
    }
}

bool RunHidden(const std::wstring& commandLine, const std::wstring& workingFolder, int showCommand) {
    return RunHiddenProcess(commandLine, workingFolder, showCommand).valid();
}

}  // namespace tess
