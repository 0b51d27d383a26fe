#include "common/Units.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "platform/Handle.h"

namespace tess {
namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1048576.0;
constexpr double kGiB = 1073741824.0;

std::wstring localeString(const wchar_t* locale, LCTYPE type, LCTYPE flags) {
    wchar_t buffer[32] = {};
    return GetLocaleInfoEx(locale, type | flags, buffer, 32) > 0 ? buffer : L"";
}

DWORD localeNumber(const wchar_t* locale, LCTYPE type, LCTYPE flags, DWORD fallback) {
    DWORD value = 0;
    if (GetLocaleInfoEx(locale, type | flags | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                        sizeof value / sizeof(wchar_t)) > 0)
        return value;
    return fallback;
}

// LOCALE_SGROUPING is "3;0" (thousands), "3;2;0" (Indian lakhs) or "3" (group only once);
// NUMBERFMT wants 3, 32 and 30 for those.
UINT groupingValue(const std::wstring& grouping) {
    UINT value = 0;
    bool endsWithZero = false;
    for (size_t i = 0; i < grouping.size(); ++i) {
        wchar_t c = grouping[i];
        if (c < L'0' || c > L'9') continue;
        endsWithZero = c == L'0' && i + 1 == grouping.size() && i > 0;
        if (!endsWithZero) value = value * 10 + (c - L'0');
    }
    return endsWithZero ? value : value * 10;
}

// Formats `value` with exactly two decimals in the locale's number format. Empty on failure.
std::wstring formatTwoDecimals(double value, const wchar_t* locale) {
    // An explicit locale is meant to give that locale's own format, not this user's overrides.
    LCTYPE flags = locale == LOCALE_NAME_USER_DEFAULT ? 0 : LOCALE_NOUSEROVERRIDE;
    std::wstring decimal = localeString(locale, LOCALE_SDECIMAL, flags);
    std::wstring thousand = localeString(locale, LOCALE_STHOUSAND, flags);
    NUMBERFMTW format{};
    format.NumDigits = 2;
    format.LeadingZero = localeNumber(locale, LOCALE_ILZERO, flags, 1);
    format.Grouping = groupingValue(localeString(locale, LOCALE_SGROUPING, flags));
    format.lpDecimalSep = decimal.empty() ? const_cast<wchar_t*>(L".") : decimal.data();
    format.lpThousandSep = thousand.data();
    format.NegativeOrder = localeNumber(locale, LOCALE_INEGNUMBER, flags, 1);

    // The input of GetNumberFormatEx is always "-1234.56" with a point, whatever the locale.
    wchar_t plain[400];
    if (swprintf(plain, 400, L"%.2f", value) <= 0) return {};
    wchar_t out[512];
    int n = GetNumberFormatEx(locale, 0, plain, &format, out, 512);
    return n > 0 ? std::wstring(out) : std::wstring();
}

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

bool driveReady(const std::wstring& root) {
    // A removable drive without a medium fails both; Wine's dangling drive links pass the volume
    // query but not the free-space one, so ask both.
    wchar_t name[MAX_PATH + 1] = {};
    ULARGE_INTEGER a{}, b{}, c{};
    return GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
           GetDiskFreeSpaceExW(root.c_str(), &a, &b, &c);
}

constexpr const wchar_t* kExchangeFiles[] = {L"ExchangeAPI.dll", L"ostrova64ExchBkp_tessaron.exe",
                                             L"ostrovaExchBkp_tessaron.exe", L"ExchangeAPI64.dll", nullptr};
constexpr const wchar_t* kSqlFiles[] = {L"SQLSrvBackup.dll", L"vxsqldblist_tessaron.exe",
                                        L"ostrova_sqlbackup_tessaron.exe", nullptr};

bool allPresent(const wchar_t* const* names) {
    for (; *names; ++names)
        if (!FileExistsInProgramFolder(*names)) return false;
    return true;
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the walk over parents starts: past "X:\" or past "\\server\share\" (those cannot be
// created, only the folders below them).
size_t firstCreatablePosition(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        size_t start = 2;
        if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && isSeparator(path[3])) {
            // "\\?\C:\..." : skip the prefix and the drive.
            start = 4;
            if (path.size() >= start + 2 && path[start + 1] == L':') return std::min(path.size(), start + 3);
        }
        size_t server = path.find_first_of(L"\\/", start);
        if (server == std::wstring::npos) return path.size();
        size_t share = path.find_first_of(L"\\/", server + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    return 0;
}

}  // namespace

std::wstring GetProperSizeValue(double sizeInBytes) { return GetProperSizeValue(sizeInBytes, LOCALE_NAME_USER_DEFAULT); }

std::wstring GetProperSizeValue(double sizeInBytes, const wchar_t* localeName) {
    if (!std::isfinite(sizeInBytes)) {
        WriteTrace(L"Error in GetProperSizeValue the size is not a number");
        return L"0 KB";
    }
    double value = sizeInBytes;
    const wchar_t* unit = L" B";
    if (sizeInBytes > kGiB) {
        value = sizeInBytes / kGiB;
        unit = L" GB";
    } else if (sizeInBytes > kMiB) {
        value = sizeInBytes / kMiB;
        unit = L" MB";
    } else if (sizeInBytes > kKiB) {
        value = sizeInBytes / kKiB;
        unit = L" KB";
    }
    std::wstring number = formatTwoDecimals(value, localeName ? localeName : LOCALE_NAME_USER_DEFAULT);
    if (number.empty()) {
        DWORD error = GetLastError();
        WriteTrace(L"Error in GetProperSizeValue " + ErrorDescription(error));
        return L"0 KB";
    }
    return number + unit;
}

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
    if (root.empty() || GetDriveTypeW(root.c_str()) == DRIVE_CDROM || !driveReady(root)) return false;

    std::wstring probe = folder;
    if (!isSeparator(probe.back())) probe += L'\\';
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

bool Trf_CreateLocalDir(const std::wstring& folder) {
    WriteTrace(L"Enter Trf_CreateLocalDir " + folder);
    auto create = [&](const std::wstring& path) {
        if (path.empty() || FolderExists(path)) return true;
        if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
        DWORD error = GetLastError();
        WriteLog(L"Error creating local directory '" + folder + L"', reason : " + ErrorDescription(error), kLogError);
        return false;
    };
    for (size_t pos = firstCreatablePosition(folder); pos < folder.size(); ++pos) {
        if (isSeparator(folder[pos]) && !create(folder.substr(0, pos + 1))) return false;
    }
    if (!create(folder)) return false;
    WriteTrace(L"Exit Trf_CreateLocalDir ");
    return true;
}

bool FileExistsInProgramFolder(const std::wstring& name) { return FileExists(ProgramFolder() + L"\\" + name); }

const wchar_t* const* ExchangeComponentFiles() { return kExchangeFiles; }
const wchar_t* const* SqlComponentFiles() { return kSqlFiles; }
bool ComponentFilesPresent() { return allPresent(kExchangeFiles) && allPresent(kSqlFiles); }

std::wstring ReadFirstLine(const std::wstring& path) {
    // A first line longer than this is not a status line; the rest is not read at all.
    constexpr size_t kMaxBytes = 64 * 1024;
    auto bytes = ReadFileBytes(path, kMaxBytes);
    if (!bytes) return {};
    std::string_view text(*bytes);
    bool utf8 = text.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8) text.remove_prefix(3);
    text = text.substr(0, std::min(text.find_first_of(std::string_view("\r\n\0", 3)), text.size()));
    return Trim(utf8 ? FromUTF8(text) : FromAnsi(text));
}

std::wstring GetInfoFromKey(int part, const std::wstring& key) {
    if (key.find(L'>') == std::wstring::npos) return key;
    if (part >= 1 && part <= 3) {
        auto parts = SplitFullText(key, L">");
        if (static_cast<size_t>(part) < parts.size()) return parts[part];
        WriteTrace(L"Error in GetInfoFromKey the key has no part " + std::to_wstring(part));
        return {};
    }
    if (part == 4) {
        std::wstring whole = key;
        if (!whole.empty() && whole.back() == L'\\') whole.pop_back();
        return AfterLast(whole, L"\\");
    }
    return {};
}

bool IsValidEmail(const std::wstring& text) {
    size_t at = text.find(L'@');
    if (at == std::wstring::npos) return false;
    if (at + 1 < text.size() && text[at + 1] == L'.') return false;
    return at + 2 < text.size() && text.find(L'.', at + 2) != std::wstring::npos;
}

std::wstring ShortPath(const std::wstring& path) {
    DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    n = GetShortPathNameW(path.c_str(), out.data(), n);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    return out;
}

std::wstring DurationText(uint64_t ms) {
    const uint64_t seconds = (ms + 999) / 1000;
    if (seconds % 3600 == 0) return std::to_wstring(seconds / 3600) + (seconds == 3600 ? L" hour" : L" hours");
    if (seconds % 60 == 0) return std::to_wstring(seconds / 60) + (seconds == 60 ? L" minute" : L" minutes");
    return std::to_wstring(seconds) + (seconds == 1 ? L" second" : L" seconds");
}

}  // namespace tess
