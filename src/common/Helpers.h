#pragma once
// Small shared routines: sizes for the user, disks and folders, tree keys, e-mail check.
#include <cstdint>
#include <string>

namespace tess {

// "1.50 KB", "1,024.00 MB": two decimals with the user's number format, strict thresholds.
std::wstring GetProperSizeValue(double sizeInBytes);
// The same with an explicit locale name (tests use "en-US").
std::wstring GetProperSizeValue(double sizeInBytes, const wchar_t* localeName);

// Free bytes of the volume (free = true) or used bytes (total - free); 0 on failure.
double getDriveUsedSpace(const std::wstring& path, bool free);
// The same as an exact 64-bit count (the block copy needs it for files above 4 GiB).
uint64_t DriveFreeBytes(const std::wstring& path);

// Trial write of folder + "tmp.mtp" (callers pass the folder with its trailing backslash);
// false without writing on a CD-ROM or a drive that is not ready.
bool CheckForWriteAccessPermission(const std::wstring& folder);

// Creates the folder and every missing parent; an Error line in the program log when it fails.
void Trf_CreateLocalDir(const std::wstring& folder);

bool FileExistsInProgramFolder(const std::wstring& name);

// The first line, trimmed; empty for a missing, empty or unreadable file. Reads a bounded
// prefix, so a huge or binary file costs nothing.
std::wstring ReadFirstLine(const std::wstring& path);

// Tree-node keys are parts joined by ">"; parts 1-3 by index, 4 the last path component.
std::wstring GetInfoFromKey(int part, const std::wstring& key);

bool IsValidEmail(const std::wstring& text);

// Short (8.3) form of an existing path; the path itself when the system has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace tess
