#include "common/Disks.h"

#include <windows.h>

#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"
#include "platform/Handle.h"

namespace tess {
namespace {

// The nearest folder that exists, walking up from `path`, so that free space can be asked for a
// destination the run has not created yet. Empty when nothing on the way exists.
std::wstring nearestExistingFolder(std::wstring path) {
    while (!path.empty()) {
        if (FolderExists(path)) return path;
        std::wstring parent = ParentFolder(path);
        if (parent == path || parent.empty()) break;
        path = parent;
    }
    return {};
}

struct DiskSpace {
    uint64_t availableToCaller, total, totalFree;
};

bool diskSpace(const std::wstring& path, DiskSpace& space, DWORD& error) {
    std::wstring folder = nearestExistingFolder(path);
    // "E:" alone names the current folder of drive E:, which is still on that volume.
    if (folder.empty()) folder = path;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    ULARGE_INTEGER caller{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &caller, &total, &totalFree)) {
        error = GetLastError();
        return false;
    }
    space = {caller.QuadPart, total.QuadPart, totalFree.QuadPart};
    return true;
}

// The root of the volume a path lies on: "X:\" for a drive path, "\\server\share\" for a UNC path.
std::wstring volumeRoot(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
    wchar_t root[MAX_PATH] = {};
    if (GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return root;
    return {};
}

}  // namespace

double getDriveUsedSpace(const std::wstring& path, bool free) {
    DiskSpace space{};
    DWORD error = 0;
    if (!diskSpace(path, space, error)) {
        WriteTrace(L"Error in getDriveUsedSpace () : Reason :" + ErrorDescription(error));
        return 0;
    }
    uint64_t bytes = free ? space.totalFree : space.total - space.totalFree;
    return static_cast<double>(bytes);
}

uint64_t DriveFreeBytes(const std::wstring& path) {
    DiskSpace space{};
    DWORD error = 0;
    if (!diskSpace(path, space, error)) {
        WriteTrace(L"Error in DriveFreeBytes : Reason :" + ErrorDescription(error));
        return 0;
    }
    return space.availableToCaller;
}

bool CheckForWriteAccessPermission(const std::wstring& folder) {
    if (Trim(std::wstring_view(folder).substr(0, 2)).empty()) return false;
    std::wstring root = volumeRoot(folder);
    if (root.empty() || GetDriveTypeW(root.c_str()) == DRIVE_CDROM || !IsDriveReady(root)) return false;

    std::wstring probe = folder;
    if (probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
    probe += L"tmp.mtp";
    // Delete-on-close: the probe disappears with the handle, even if this process dies here.
    UniqueFile file(CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        WriteTrace(L"Error in CheckForWriteAccessPermission " + ErrorDescription(error));
        return false;
    }
    return true;
}

bool IsDriveReady(const std::wstring& root) {
    if (root.empty()) return false;
    // An empty removable or optical drive fails both questions on Windows; Wine's dangling drive
    // links pass the volume query but not the free-space one, so both must succeed.
    wchar_t label[MAX_PATH + 1] = {};
    ULARGE_INTEGER available{}, total{}, free{};
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    bool ready = GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
                 GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free);
    SetErrorMode(previous);
    return ready;
}

}  // namespace tess
