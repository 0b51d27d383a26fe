#pragma once
// Plain file and folder operations on wide paths. Every function returns its neutral value on
// failure (false, 0, empty) and never throws.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tess {

bool FileExists(const std::wstring& path);    // an existing file, not a folder
bool FolderExists(const std::wstring& path);  // an existing folder
bool PathExists(const std::wstring& path);    // either

std::optional<uint64_t> FileSize(const std::wstring& path);

// Deletes a file when it exists; read-only files are not forced unless `force`.
bool DeleteFileIfExists(const std::wstring& path, bool force = false);
// Deletes a folder with everything below it.
bool DeleteFolderTree(const std::wstring& path);

// Reads at most maxBytes (the rest is ignored); nothing when the file cannot be opened.
std::optional<std::string> ReadFileBytes(const std::wstring& path, size_t maxBytes = 64u << 20);
// Replaces the file's content.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// Opens for appending (creating the file when missing), writes, closes: nothing stays open.
bool AppendFileBytes(const std::wstring& path, std::string_view bytes);

// The whole text of an 8-bit ANSI file.
std::wstring ReadAnsiText(const std::wstring& path);
// Writes text as 8-bit ANSI, replacing the file.
bool WriteAnsiText(const std::wstring& path, std::wstring_view text);
// Appends text + CR LF as 8-bit ANSI.
bool AppendAnsiLine(const std::wstring& path, std::wstring_view text);

// Parent folder of a path (no trailing backslash), or empty.
std::wstring ParentFolder(const std::wstring& path);
// a + "\" + b without doubling a separator.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);
// The path with one backslash at its end (a folder to append names to); "" gives "\".
std::wstring WithTrailingBackslash(std::wstring path);
// The path without its trailing backslashes ("C:\Data\\" gives "C:\Data", "\\server\share\" gives
// "\\server\share"), except the one that makes a root: "C:\" stays "C:\" ("C:" alone names the
// current folder of drive C:, not its root), and so does "\".
std::wstring WithoutTrailingBackslash(std::wstring path);

// Creates the folder and every missing parent; an Error line in the program log when it fails
// (then false).
bool Trf_CreateLocalDir(const std::wstring& folder);

// The first line, trimmed; empty for a missing, empty or unreadable file. Reads a bounded
// prefix, so a huge or binary file costs nothing.
std::wstring ReadFirstLine(const std::wstring& path);

// Tree-node keys are parts joined by ">"; parts 1-3 by index, 4 the last path component.
// A key without ">" is returned whole; any other part number, or a part the key does not have,
// gives the empty text.
std::wstring GetInfoFromKey(int part, const std::wstring& key);

// Short (8.3) form of an existing path; the path itself when the system has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace tess
