#include "transfer/ReadBack.h"

#include "common/Log.h"
#include "transfer/BlockCopy.h"
#include "transfer/Sha256.h"
#include "platform/Handle.h"

namespace tess {
namespace {

ReadBackHook gHook = nullptr;

// Reads of 1 MiB keep the drive streaming; a whole number of any sector size, and the buffers
// come from VirtualAlloc, so page-aligned as unbuffered reads need.
constexpr DWORD kReadBytes = 1u << 20;
constexpr ULONGLONG kTellEveryMs = 25;

ReadBackResult failed(const std::wstring& what, const std::wstring& path, DWORD error) {
    ReadBackResult result;
    result.status = IsDriveGoneError(error) ? ReadBackStatus::kDriveGone : ReadBackStatus::kFailed;
    result.reason = what + L": " + ErrorDescription(error);
    TraceError(L"ReadBackSha256", L" Reason: " + what + L" '" + path + L"': " + ErrorDescription(error));
    return result;
}

// Every byte of the file through the hasher, a buffer being read while the other is hashed.
ReadBackResult readAll(HANDLE file, const std::wstring& path, const CancelToken* cancel,
                       const std::function<void(uint64_t)>& onBytes, char* buffers) {
    BackgroundSha256 hasher;
    if (!hasher.ok()) return failed(L"cannot start the digest", path, ERROR_INVALID_FUNCTION);
    uint64_t unreported = 0;
    ULONGLONG lastTold = GetTickCount64();
    for (int current = 0;; current ^= 1) {
        char* buffer = buffers + current * kReadBytes;
        DWORD got = 0;
        if (!ReadFile(file, buffer, kReadBytes, &got, nullptr)) {
            const DWORD error = GetLastError();
            hasher.finish();  // its thread is done with the buffers before the next file reuses them
            return failed(L"cannot read", path, error);
        }
        if (got == 0) break;
        hasher.add(buffer, got);
        unreported += got;
        if (cancel && cancel->cancelled()) {
            hasher.finish();
            return {ReadBackStatus::kCancelled, {}, L"cancelled by the user"};
        }
        if (GetTickCount64() - lastTold < kTellEveryMs) continue;
        lastTold = GetTickCount64();
        if (onBytes) onBytes(unreported);
        unreported = 0;
    }
    if (onBytes && unreported) onBytes(unreported);
    ReadBackResult result;
    result.sha256 = hasher.finish();
    result.status = result.sha256.empty() ? ReadBackStatus::kFailed : ReadBackStatus::kDone;
    if (result.sha256.empty()) result.reason = L"the digest could not be taken";
    return result;
}

}  // namespace

// Unbuffered where the file system takes it; some (network shares, some drivers) refuse the
// flag, and then the plain read is the best there is. Shared with a writer: a resumed copy reads
// its kept part while its own handle holds the file open for writing.
UniqueFile OpenForReadBack(const std::wstring& path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) file.reset(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file;
}

void SetReadBackHookForTesting(ReadBackHook hook) { gHook = hook; }

ReadBackResult ReadBackSha256(const std::wstring& path, const CancelToken* cancel,
                              const std::function<void(uint64_t bytes)>& onBytes) {
    if (gHook) gHook(path);
    UniqueFile file = OpenForReadBack(path);
    if (!file) return failed(L"cannot open", path, GetLastError());
    // Kept from one file to the next (read-backs run on the verify stage's thread, one at a time, and the
    // hasher is done with them when a read-back returns).
    static char* buffers = nullptr;  // asked again after a failure: memory may be back
    if (!buffers) buffers = static_cast<char*>(VirtualAlloc(nullptr, 2 * kReadBytes, MEM_COMMIT, PAGE_READWRITE));
    if (!buffers) return failed(L"cannot allocate the read buffers", path, GetLastError());
    return readAll(file.get(), path, cancel, onBytes, buffers);
}

}  // namespace tess
