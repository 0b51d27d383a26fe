#pragma once
// Questions about the volume a path lies on: free and used space, and whether a folder there can
// be written.
#include <cstdint>
#include <string>

namespace tess {

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

// Whether the drive (a root: "E:\", "\\server\share\") can be read now: an empty card reader or
// optical drive cannot. No system error box is shown while it is asked.
bool IsDriveReady(const std::wstring& root);

}  // namespace tess
