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
};

// Small enough that each block is still in the processor's cache when it is written out again
// (measured: 1 MiB blocks copy at half the speed of 64 KiB ones under Wine), large enough that
// the drive, not the call overhead, sets the pace.
constexpr DWORD kCopyBlockBytes = 64u << 10;

// Suffix of the file while it is being written.
extern const wchar_t kPartialSuffix[];

// `onBytes` gets the bytes written since its last call, every few dozen milliseconds; `cancel`
// (when given) ends the copy. With `sha256`, a copy that is done puts there the lower-case hex
// SHA-256 of the bytes it read from the source. One copy at a time per process (the copy's
// buffers are kept from one file to the next).
int CopyFileBlocks(const std::wstring& source, const std::wstring& destination, const CancelToken* cancel = nullptr,
                   const std::function<void(uint64_t bytes)>& onBytes = nullptr, std::string* sha256 = nullptr);

// The folder whose free space decides whether a file fits: the drive root for a drive path,
// the parent folder otherwise (a UNC path).
std::wstring SpaceRootOf(const std::wstring& path);

// Creates the destination folder when it is missing (a new folder on the external drive), then
// tells whether `bytes` fit on its drive: a run that cannot finish ships nothing.
DestinationRoom CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes);

}  // namespace tess
