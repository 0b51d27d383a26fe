#pragma once
// Small shared routines: sizes for the user, disks and folders, tree keys, e-mail check, and the
// component-file check of start-up.
#include <cstdint>
#include <string>

namespace tess {

// "1.50 KB", "1,024.00 MB": two decimals with the user's number format, strict thresholds
// (exactly 1048576 bytes is "1,024.00 KB"). "0 KB" and one trace line for a value that cannot be
// formatted (not a number, infinite).
std::wstring GetProperSizeValue(double sizeInBytes);
// The same with an explicit locale name (tests use "en-US").
std::wstring GetProperSizeValue(double sizeInBytes, const wchar_t* localeName);

// Free bytes of the volume (free = true) or used bytes (total - free); 0 on failure. The path
// may be a drive, a folder or a folder that does not exist yet (its nearest existing parent is
// asked). A whole number of bytes.
double getDriveUsedSpace(const std::wstring& path, bool free);
// The bytes this user may still write there (quota-aware), exact in 64 bits: the block copy's
// free-space check needs it for files above 4 GiB. 0 on failure.
uint64_t DriveFreeBytes(const std::wstring& path);

// Trial write of folder + "tmp.mtp" (a trailing backslash is added when missing); false
// without writing on a CD-ROM or a drive that is not ready, and false when the file cannot be
// created. The trial file never stays behind.
bool CheckForWriteAccessPermission(const std::wstring& folder);

// Creates the folder and every missing parent; an Error line in the program log when it fails
// (then false).
bool Trf_CreateLocalDir(const std::wstring& folder);

// Whether program folder + "\" + name exists as a file.
bool FileExistsInProgramFolder(const std::wstring& name);

// The component files that must lie beside the program: the Exchange group, then the SQL Server
// group, each in the order start-up tests them.
const wchar_t* const* ExchangeComponentFiles();  // null-terminated list
const wchar_t* const* SqlComponentFiles();       // null-terminated list
// True when every component file of both groups is present (the Exchange group is tested first).
bool ComponentFilesPresent();

// The first line, trimmed; empty for a missing, empty or unreadable file. Reads a bounded
// prefix, so a huge or binary file costs nothing.
std::wstring ReadFirstLine(const std::wstring& path);

// Tree-node keys are parts joined by ">"; parts 1-3 by index, 4 the last path component.
// A key without ">" is returned whole; any other part number, or a part the key does not have,
// gives the empty text.
std::wstring GetInfoFromKey(int part, const std::wstring& key);

// "@" present, the character after the first "@" is not ".", and a "." somewhere from the second
// character after that "@" on. Nothing else is checked.
bool IsValidEmail(const std::wstring& text);

// A time limit as messages give it: "2 hours", "10 minutes", "45 seconds" (whole units only).
std::wstring DurationText(uint64_t ms);

// Short (8.3) form of an existing path; the path itself when the system has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace tess
