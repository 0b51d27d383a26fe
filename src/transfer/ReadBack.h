#pragma once
// The read-back of a shipped file: its bytes read again from the destination, past the system's
// cache where the platform allows, and their SHA-256 taken, so what is compared is what the drive
// holds rather than what the cache remembers of the write.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Handle.h"
#include "transfer/CancelToken.h"

namespace tess {

// kDriveGone: the drive stopped answering (unplugged, not ready); the file may be whole on it.
enum class ReadBackStatus { kDone, kFailed, kCancelled, kDriveGone };

struct ReadBackResult {
    ReadBackStatus status = ReadBackStatus::kFailed;
    std::string sha256;  // lower-case hex when done
    std::wstring reason;  // why it failed, for the report
};

// `cancel` (when given) ends it; onBytes gets the bytes read since its last call, every few
// dozen milliseconds. One read-back at a time per process (its buffers are kept).
ReadBackResult ReadBackSha256(const std::wstring& path, const CancelToken* cancel = nullptr,
                              const std::function<void(uint64_t bytes)>& onBytes = nullptr);

// Opens a file on the destination to read it past the system's cache where the file system allows
// (reads then go by whole sectors into page-aligned buffers).
UniqueFile OpenForReadBack(const std::wstring& path);

// Seam: called with the file's path just before it is read back (a test alters the file there).
using ReadBackHook = void (*)(const std::wstring& path);
void SetReadBackHookForTesting(ReadBackHook hook);

}  // namespace tess
