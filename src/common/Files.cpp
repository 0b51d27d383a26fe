#include "common/Files.h"

#include <windows.h>

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

bool DeleteFileIfExists(const std::wstring& path, bool force) {
    DWORD a = attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (force && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileW(path.c_str()) != 0;
}

bool DeleteFolderTree(const std::wstring& path) {
    if (!FolderExists(path)) return !PathExists(path);
    WIN32_FIND_DATAW fd{};
    {
        UniqueFind find(FindFirstFileW(JoinPath(path, L"*").c_str(), &fd));
        if (find) {
            do {
                std::wstring name = fd.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring child = JoinPath(path, name);
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
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

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (a.back() == L'\\' || a.back() == L'/') return a + b;
    return a + L"\\" + b;
}

}  // namespace tess
