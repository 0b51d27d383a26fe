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
// The size of a file another process is still writing: asked of the file itself, since its
// folder's entry is brought up to date only now and then. Opened for its attributes alone, which
// no share mode of the writer refuses.
std::optional<uint64_t> GrowingFileSize(const std::wstring& path);

// Deletes a file when it exists; read-only files are not forced unless `force`.
bool DeleteFileIfExists(const std::wstring& path, bool force = false);

// Whether attributes (from FindFirstFile or GetFileAttributes) mark a link: a junction, a
// symbolic link or any other reparse point. What a link points to lies outside the tree it sits
// in, so no walk of a tree goes through one: not to delete, not to ship, not to count. Wine 8
// shows a Unix symbolic link to a folder as a folder with this mark but one to a file as a plain
// file, so there a file link cannot be told.
bool IsLinkAttributes(uint32_t attributes);
// The same for a path (a trailing backslash does not make it look through the link).
bool IsLink(const std::wstring& path);
// Removes the link itself, never what it points to: false (and nothing removed) when the system
// will not hand over the link itself. Wine 8 follows a Unix symbolic link on every open, so
// there the link stays.
bool RemoveLink(const std::wstring& path);
// Deletes a folder with everything below it. A link met on the way, the folder itself included,
// is removed as a link and never descended into. False when something stayed.
bool DeleteFolderTree(const std::wstring& path);

// Reads at most maxBytes (the rest is ignored); nothing when the file cannot be opened.
std::optional<std::string> ReadFileBytes(const std::wstring& path, size_t maxBytes = 64u << 20);
// Replaces the file's content.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// `bytes` written under a temporary name, flushed to the disk and renamed over `path` in one
// step: whoever reads `path` finds the old version or the new one, never a torn one, and a
// failure leaves nothing but the old version.
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes);
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
