#pragma once
// The shipping copy: a dump file copied to the destination drive in large blocks, telling the
// bytes done as it goes and stopping at the run's cancel. The copy is written under a
// temporary name beside the destination and renamed only when every byte is on the drive, so a
// copy that fails or is cancelled never leaves a file at the final name.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "transfer/CancelToken.h"
#include "transfer/Plan.h"

namespace tess {

enum BlockCopyResult : int {
    kCopyDone = 0,
    kCopyFailed = -1,     // opening, reading, writing or renaming failed
    kCopyNoSpace = -2,    // the destination drive has less room than the file, or a short write
    kCopyCancelled = -3,  // the run was cancelled while it copied
    kCopyNoSource = -4,   // the source does not exist
    kCopyNotVerified = -5,  // read back from the destination, the copy differed or could not be read
    kCopyDriveGone = -6,  // the destination stopped answering (unplugged, not ready): its `.partial` stays
};

// Whether a failure of `error` on the destination means the drive is gone or not ready (a cable
// that slipped, a drive that reset) rather than a fault of this file.
bool IsDriveGoneError(DWORD error);

// How a copy began: after the part its `.partial` kept, or from the start.
struct CopyStart {
    uint64_t keptBytes = 0;     // read back, proven against the source and not written again
    std::wstring startedAgain;  // why a kept part was not used; empty when none was kept or it was
};

// Small enough that each block is still in the processor's cache when it is written out again
// (measured: 1 MiB blocks copy at half the speed of 64 KiB ones under Wine), large enough that
// the drive, not the call overhead, sets the pace.
constexpr DWORD kCopyBlockBytes = 64u << 10;

// Suffix of the file while it is being written.
extern const wchar_t kPartialSuffix[];

// `onBytes` gets the bytes done since its last call (a kept part counts once proven), every few
// dozen milliseconds; `cancel` (when given) ends the copy. With `sha256`, a copy that is done puts
// there the lower-case hex SHA-256 of the source's bytes. A `.partial` left by a copy that did not
// end (a drive that dropped out, a program that was stopped) is read back and its SHA-256
// compared with the same range of the source: equal, the copy goes on after it; else it starts
// again; `start` says which. One copy at a time per process (the copy's buffers are kept from one
// file to the next).
int CopyFileBlocks(const std::wstring& source, const std::wstring& destination, const CancelToken* cancel = nullptr,
                   const std::function<void(uint64_t bytes)>& onBytes = nullptr, std::string* sha256 = nullptr,
                   CopyStart* start = nullptr);

// The folder whose free space decides whether a file fits: the drive root for a drive path,
// the parent folder otherwise (a UNC path).
std::wstring SpaceRootOf(const std::wstring& path);

// Creates the destination folder when it is missing (a new folder on the external drive), then
// tells whether `bytes` fit on its drive: a run that cannot finish ships nothing.
DestinationRoom CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes);

}  // namespace tess
