#include "lib/Tool.h"

#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Content.h"

namespace tess::companion {

std::wstring ModuleFolderOf(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring DemoIniPath(const std::wstring& programFolder) {
    wchar_t value[1024];
    DWORD n = GetEnvironmentVariableW(L"TESSARON_DEMO", value, 1024);
    if (n > 0 && n < 1024) return value;
    return programFolder + L"\\demo\\demo.ini";
}

ToolRun::ToolRun(std::wstring tool, std::wstring programFolder, const std::vector<std::wstring>& received, std::wstring_view kind)
    : tool_(std::move(tool)), programFolder_(std::move(programFolder)) {
    const std::wstring iniPath = DemoIniPath(programFolder_);
    auto bytes = ReadFileBytes(iniPath);
    if (!bytes) {
        demoError_ = L"The demo server description " + iniPath + L" cannot be read (set TESSARON_DEMO or run scripts/demo-machine).";
    } else {
        DemoParse parsed = ParseDemo(FromUTF8(*bytes));
        demo_ = std::move(parsed.config);
        if (!parsed.errors.empty()) demoError_ = L"The demo server description " + iniPath + L" is malformed: " + parsed.errors.front();
    }
    std::wstring folder = ParentFolder(iniPath);
    if (FolderExists(folder)) journal_ = Journal(JoinPath(folder, demo_.journalName), tool_);
    journal_.recordFields(kind, received);
    if (!demoError_.empty()) journal_.record(L"error", demoError_);
}

std::wstring ToolRun::commonFile(const std::wstring& name) const {
    CreateDirectoryW(commonFolder().c_str(), nullptr);
    return commonFolder() + L"\\" + name;
}

void ToolRun::playSlow(const FaultSet& faults) const {
    if (!faults.slowSeconds) return;
    journal_.record(L"fault", L"slow " + std::to_wstring(faults.slowSeconds) + L" s");
    const ULONGLONG until = GetTickCount64() + faults.slowSeconds * 1000ull;
    while (GetTickCount64() < until) Sleep(100);
}

void ToolRun::playHangAndCrash(const FaultSet& faults) const {
    if (faults.hang) {
        journal_.record(L"fault", L"hang");
        for (;;) Sleep(100);
    }
    if (faults.crash) {
        journal_.record(L"fault", L"crash");
        // The exit code an access violation leaves; no result file is written.
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
    }
}

bool ToolRun::writeText(const std::wstring& path, const std::string& bytes) const {
    if (WriteFileAtomically(path, bytes)) {
        journal_.wrote(path, bytes.size());
        return true;
    }
    journal_.record(L"error", SystemErrorText(L"Cannot write " + path, GetLastError()));
    return false;
}

int ToolRun::exit(int code) const {
    journal_.record(L"exit", std::to_wstring(code));
    return code;
}

}  // namespace tess::companion
