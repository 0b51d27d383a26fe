#include "common/ProgramPaths.h"

#include <windows.h>

namespace tess {
namespace {

std::wstring& overrideFolder() {
    static std::wstring folder;
    return folder;
}

std::wstring moduleFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

}  // namespace

std::wstring ProgramFolder() {
    if (!overrideFolder().empty()) return overrideFolder();
    static const std::wstring folder = moduleFolder();
    return folder;
}

std::wstring CommonDataFolder() { return ProgramFolder() + L"\\VXCOMMON"; }

std::wstring CommonDataFile(const std::wstring& name) { return CommonDataFolder() + L"\\" + name; }

bool EnsureCommonDataFolder() {
    std::wstring folder = CommonDataFolder();
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

void SetProgramFolderForTesting(const std::wstring& folder) {
    std::wstring f = folder;
    while (!f.empty() && (f.back() == L'\\' || f.back() == L'/')) f.pop_back();
    overrideFolder() = f;
}

}  // namespace tess
