#include "sql/BlockCopy.h"

#include <memory>

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Log.h"
#include "common/TransferState.h"
#include "platform/Handle.h"
#include "ui/PumpWait.h"

namespace tess {

const wchar_t kPartialSuffix[] = L".partial";

namespace {

struct VirtualFreer {
    void operator()(void* p) const { VirtualFree(p, 0, MEM_RELEASE); }
};

// The window is served (painted, progress shown, Esc seen) this often while a copy runs; more
// often only costs system calls.
constexpr ULONGLONG kServeEveryMs = 25;

void advanceTotals(uint64_t bytes) {
    TransferTotals& totals = Totals();
    totals.shippedBytes += bytes;
    totals.percentShipped = totals.totalBytes
                                ? static_cast<double>(totals.shippedBytes) * 100.0 / static_cast<double>(totals.totalBytes)
                                : 100.0;
    if (totals.percentShipped > 100.0) totals.percentShipped = 100.0;
    if (totals.onProgress) totals.onProgress(totals.percentShipped);
}

int fail(int code, const std::wstring& what, const std::wstring& path, DWORD error) {
    TraceError(L"CopyFileBlocks", L" Reason: " + what + L" '" + path + L"': " + ErrorDescription(error));
    return code;
}

}  // namespace

std::wstring SpaceRootOf(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
    std::wstring parent = ParentFolder(path);
    return parent.empty() ? path : parent + L"\\";
}

int CopyFileBlocks(const std::wstring& source, const std::wstring& destination, HWND cancelWindow) {
    const auto size = FileExists(source) ? FileSize(source) : std::nullopt;
    if (!size) return kCopyNoSource;

    UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return fail(kCopyFailed, L"cannot open", source, GetLastError());

    // A file of the same name that this copy replaces frees its room.
    const uint64_t replaced = FileExists(destination) ? FileSize(destination).value_or(0) : 0;
    if (DriveFreeBytes(SpaceRootOf(destination)) + replaced < *size) {
        TraceError(L"CopyFileBlocks", L" Reason: not enough free space for '" + destination + L"'");
        return kCopyNoSpace;
    }

    const std::wstring partial = destination + kPartialSuffix;
    UniqueFile out(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return fail(kCopyFailed, L"cannot create", partial, GetLastError());

    std::unique_ptr<void, VirtualFreer> buffer(VirtualAlloc(nullptr, kCopyBlockBytes, MEM_COMMIT, PAGE_READWRITE));
    int result = buffer ? kCopyDone : kCopyFailed;
    uint64_t remaining = *size;
    uint64_t unreported = 0;
    ULONGLONG lastServed = GetTickCount64();
    while (result == kCopyDone && remaining > 0) {
        const DWORD want = remaining < kCopyBlockBytes ? static_cast<DWORD>(remaining) : kCopyBlockBytes;
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.get(), want, &got, nullptr)) {
            result = fail(kCopyFailed, L"cannot read", source, GetLastError());
            break;
        }
        if (got == 0) {  // the source shrank under us: what was promised cannot be shipped
            result = fail(kCopyFailed, L"unexpected end of", source, ERROR_HANDLE_EOF);
            break;
        }
        DWORD put = 0;
        if (!WriteFile(out.get(), buffer.get(), got, &put, nullptr)) {
            const DWORD error = GetLastError();
            result = fail(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kCopyNoSpace : kCopyFailed,
                          L"cannot write", partial, error);
            break;
        }
        if (put < got) {
            result = fail(kCopyNoSpace, L"short write to", partial, ERROR_DISK_FULL);
            break;
        }
        remaining -= put;
        unreported += put;
        const ULONGLONG now = GetTickCount64();
        if (remaining == 0 || now - lastServed >= kServeEveryMs) {
            lastServed = now;
            advanceTotals(unreported);
            unreported = 0;
            if (PumpPaintMessages(cancelWindow)) result = kCopyCancelled;
        }
    }
    if (unreported) advanceTotals(unreported);

    // A removable drive may be pulled out right after the run: there the data is on the drive
    // before the file takes its final name. Other drives keep the system's write-behind, as
    // CopyFileEx does (flushing every dump costs half the copy speed).
    if (result == kCopyDone && GetDriveTypeW(SpaceRootOf(destination).c_str()) == DRIVE_REMOVABLE &&
        !FlushFileBuffers(out.get()))
        result = fail(kCopyFailed, L"cannot flush", partial, GetLastError());
    out.reset();
    in.reset();
    if (result == kCopyDone &&
        !MoveFileExW(partial.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = fail(kCopyFailed, L"cannot rename to", destination, GetLastError());
    if (result != kCopyDone) {
        DeleteFileIfExists(partial, true);
        // An older file at the final name would pass for this copy.
        DeleteFileIfExists(destination, true);
    }
    return result;
}

}  // namespace tess
