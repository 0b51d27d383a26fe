#pragma once
// Drive letters of a chosen type in the test's own Wine prefix, made while the test runs and
// removed at the end of the scope. Wine's mount manager takes the same request its
// configuration tool sends (define a Unix folder as drive X: of type T) and applies it at once,
// without a restart of the Wine server; GetDriveTypeW then answers with the type. Outside Wine
// nothing is defined and available() is false, so the tests skip.
#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

namespace tess::test {

class WineDrives {
public:
    WineDrives() = default;
    ~WineDrives() {
        for (wchar_t letter : defined_) request(letter, DRIVE_NO_ROOT_DIR, "");
    }
    WineDrives(const WineDrives&) = delete;
    WineDrives& operator=(const WineDrives&) = delete;

    static bool available() {
        return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    }

    // Defines a free letter of `type` (DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_CDROM, DRIVE_REMOTE)
    // over an existing Windows folder, or over a missing one (a drive that is not ready).
    // Returns "X:", or "" when it failed.
    std::wstring define(UINT type, const std::wstring& windowsFolder) {
        const std::string unixPath = unixPathOf(windowsFolder);
        wchar_t letter = L'y';
        while (letter >= L'k' && (GetLogicalDrives() & (1u << (letter - L'a')))) --letter;
        if (unixPath.empty() || letter < L'k' || !request(letter, type, unixPath)) return {};
        defined_.push_back(letter);
        return std::wstring(1, static_cast<wchar_t>(letter - L'a' + L'A')) + L":";
    }

private:
    // The mount manager's request layout (Wine's include/ddk/mountmgr.h, a Wine extension).
    struct UnixDrive {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset, deviceOffset, labelOffset;
    };

    static std::string unixPathOf(const std::wstring& windowsPath) {
        using ToUnix = char*(CDECL*)(LPCWSTR);
        auto toUnix = reinterpret_cast<ToUnix>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        if (!toUnix) return {};
        char* p = toUnix(windowsPath.c_str());
        std::string path = p ? p : "";
        if (p) HeapFree(GetProcessHeap(), 0, p);
        return path;
    }

    static bool request(wchar_t letter, UINT type, const std::string& unixPath) {
        std::vector<char> buffer(sizeof(UnixDrive) + unixPath.size() + 1, 0);
        auto* d = reinterpret_cast<UnixDrive*>(buffer.data());
        d->size = static_cast<ULONG>(buffer.size());
        d->type = type;
        d->letter = letter;
        if (!unixPath.empty()) d->mountPointOffset = sizeof(UnixDrive);
        unixPath.copy(buffer.data() + sizeof(UnixDrive), unixPath.size());
        HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (mgr == INVALID_HANDLE_VALUE) return false;
        DWORD returned = 0;
        const DWORD code = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        const BOOL ok = DeviceIoControl(mgr, code, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                                        &returned, nullptr);
        CloseHandle(mgr);
        return ok;
    }

    std::vector<wchar_t> defined_;
};

}  // namespace tess::test
