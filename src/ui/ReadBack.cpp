#include "ui/ReadBack.h"

#include <memory>

#include "common/Log.h"
#include "common/Sha256.h"
#include "platform/Handle.h"
#include "ui/PumpWait.h"

namespace tess {
namespace {

ReadBackHook gHook = nullptr;

// Reads of 1 MiB keep the drive streaming; a whole number of any sector size, and the buffers
// come from VirtualAlloc, so page-aligned as unbuffered reads need.
constexpr DWORD kReadBytes = 256u << 10;
constexpr ULONGLONG kServeEveryMs = 25;

struct VirtualFreer {
    void operator()(void* p) const { VirtualFree(p, 0, MEM_RELEASE); }
};

// Unbuffered where the file system takes it; some (network shares, some drivers) refuse the
// flag, and then the plain read is the best there is.
UniqueFile openUncached(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file;
}

ReadBackResult failed(const std::wstring& what, const std::wstring& path, DWORD error) {
    ReadBackResult result;
    result.reason = what + L": " + ErrorDescription(error);
    TraceError(L"ReadBackSha256", L" Reason: " + what + L" '" + path + L"': " + ErrorDescription(error));
    return result;
}

// Every byte of the file through the digest, on this thread: each read lands in a buffer small
// enough to be hashed while it is still in the processor's cache.
ReadBackResult readAll(HANDLE file, const std::wstring& path, HWND cancelWindow,
                       const std::function<void(uint64_t)>& onBytes, char* buffer) {
    Sha256 hash;
    if (!hash.ok()) return failed(L"cannot start the digest", path, ERROR_INVALID_FUNCTION);
    uint64_t unreported = 0;
    ULONGLONG lastServed = GetTickCount64();
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, kReadBytes, &got, nullptr)) return failed(L"cannot read", path, GetLastError());
        if (got == 0) break;
        hash.add(buffer, got);
        unreported += got;
        if (GetTickCount64() - lastServed < kServeEveryMs) continue;
        lastServed = GetTickCount64();
        if (onBytes) onBytes(unreported);
        unreported = 0;
        if (PumpPaintMessages(cancelWindow)) return {ReadBackStatus::kCancelled, {}, L"cancelled by the user"};
    }
    if (onBytes && unreported) onBytes(unreported);
    ReadBackResult result;
    result.sha256 = hash.finish();
    result.status = result.sha256.empty() ? ReadBackStatus::kFailed : ReadBackStatus::kDone;
    if (result.sha256.empty()) result.reason = L"the digest could not be taken";
    return result;
}

}  // namespace

void SetReadBackHookForTesting(ReadBackHook hook) { gHook = hook; }

ReadBackResult ReadBackSha256(const std::wstring& path, HWND cancelWindow,
                              const std::function<void(uint64_t bytes)>& onBytes) {
    if (gHook) gHook(path);
    UniqueFile file = openUncached(path);
    if (!file) return failed(L"cannot open", path, GetLastError());
    std::unique_ptr<void, VirtualFreer> buffers(VirtualAlloc(nullptr, kReadBytes, MEM_COMMIT, PAGE_READWRITE));
    if (!buffers) return failed(L"cannot allocate the read buffers", path, GetLastError());
    return readAll(file.get(), path, cancelWindow, onBytes, static_cast<char*>(buffers.get()));
}

}  // namespace tess
