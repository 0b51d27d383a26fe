#include "common/Files.h"

#include <windows.h>

#include "common/Log.h"
#include "common/Text.h"
#include "platform/Handle.h"

namespace tess {
namespace {

DWORD attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
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

bool FileExists(const std::wstring& path) {
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

std::optional<uint64_t> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<uint64_t> GrowingFileSize(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

bool DeleteFileIfExists(const std::wstring& path, bool force) {
    DWORD a = attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (force && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileW(path.c_str()) != 0;
}

bool IsLinkAttributes(uint32_t attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Asked with a trailing backslash, Wine answers for what a link points to.
bool IsLink(const std::wstring& path) { return IsLinkAttributes(attributes(WithoutTrailingBackslash(path))); }

bool RemoveLink(const std::wstring& path) {
    // This is what RemoveDirectoryW and DeleteFileW do on Windows, with one check between: Wine 8
    // opens what a Unix link points to whatever the flags, and deleting that would take the
    // target (an empty folder, a file) instead of the link.
    UniqueFile link(CreateFileW(WithoutTrailingBackslash(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!link) return false;
    FILE_ATTRIBUTE_TAG_INFO opened{};
    if (!GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &opened, sizeof opened) ||
        !IsLinkAttributes(opened.FileAttributes)) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    FILE_DISPOSITION_INFO dispose{TRUE};
    return SetFileInformationByHandle(link.get(), FileDispositionInfo, &dispose, sizeof dispose) != 0;
}

bool DeleteFolderTree(const std::wstring& path) {
    const DWORD a = attributes(WithoutTrailingBackslash(path));
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (IsLinkAttributes(a)) return RemoveLink(path);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
    WIN32_FIND_DATAW fd{};
    {
        UniqueFind find(FindFirstFileW(JoinPath(path, L"*").c_str(), &fd));
        if (find) {
            do {
                std::wstring name = fd.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring child = JoinPath(path, name);
                // A subfolder is looked at again when its turn comes, so one swapped for a link
                // since the listing is still not walked into.
                if (IsLinkAttributes(fd.dwFileAttributes))
                    RemoveLink(child);
                else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    DeleteFolderTree(child);
                else
                    DeleteFileIfExists(child, true);
            } while (FindNextFileW(find.get(), &fd));
        }
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path, size_t maxBytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string out;
    char buffer[65536];
    while (out.size() < maxBytes) {
        DWORD want = static_cast<DWORD>(std::min(sizeof buffer, maxBytes - out.size()));
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, want, &got, nullptr) || got == 0) break;
        out.append(buffer, got);
    }
    return out;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && writeAll(file.get(), bytes);
}

bool ReplaceFileContents(const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = path + L".new";
    {
        UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(temporary.c_str());
    return false;
}

bool AppendFileBytes(const std::wstring& path, std::string_view bytes) {
    // Share read and write: the companion tools and the user's editor may hold the same log open.
    UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && writeAll(file.get(), bytes);
}

std::wstring ReadAnsiText(const std::wstring& path) {
    auto bytes = ReadFileBytes(path);
    return bytes ? FromAnsi(*bytes) : std::wstring();
}

bool WriteAnsiText(const std::wstring& path, std::wstring_view text) { return WriteFileBytes(path, ToAnsi(text)); }

bool AppendAnsiLine(const std::wstring& path, std::wstring_view text) {
    return AppendFileBytes(path, ToAnsi(text) + "\r\n");
}

std::wstring ParentFolder(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring WithTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    const size_t root = path.size() >= 3 && path[1] == L':' && path[2] == L'\\' ? 3 : 1;
    while (path.size() > root && path.back() == L'\\') path.pop_back();
    return path;
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (a.back() == L'\\' || a.back() == L'/') return a + b;
    return a + L"\\" + b;
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
        return AfterLast(WithoutTrailingBackslash(key), L"\\");
    }
    return {};
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

}  // namespace tess
