#include "transfer/BlockCopy.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "transfer/ReadBack.h"
#include "transfer/Sha256.h"
#include "platform/Handle.h"

namespace tess {

const wchar_t kPartialSuffix[] = L".partial";

namespace {

// The bytes done are told this often while a copy runs; more often only costs calls.
constexpr ULONGLONG kTellEveryMs = 25;

int fail(int code, const std::wstring& what, const std::wstring& path, DWORD error) {
    TraceError(L"CopyFileBlocks", L" Reason: " + what + L" '" + path + L"': " + ErrorDescription(error));
    return code;
}

// The destination drive's type and the room known to be left on it. The room is asked again only
// when a file might not fit in what is known, so a set of thousands of small files asks once, not
// once per file (each question costs several round trips to the wineserver under Wine). A drive
// that another writer fills meanwhile still fails the write, with kCopyNoSpace.
struct DestinationDrive {
    std::wstring root;
    UINT type = DRIVE_UNKNOWN;
    uint64_t room = 0;
};
DestinationDrive gDrive;

const DestinationDrive& destinationDrive(const std::wstring& destination) {
    const std::wstring root = SpaceRootOf(destination);
    if (root != gDrive.root) gDrive = {root, GetDriveTypeW(root.c_str()), 0};
    return gDrive;
}

bool roomFor(const std::wstring& destination, uint64_t bytes) {
    destinationDrive(destination);
    if (gDrive.room < bytes) gDrive.room = DriveFreeBytes(gDrive.root);
    if (gDrive.room < bytes) return false;
    gDrive.room -= bytes;
    return true;
}

// When the bytes were last told; shared by the copies of one shipping.
ULONGLONG gLastToldMs = 0;

// One copy in progress: the source, the file under its temporary name, and where it goes.
struct OpenCopy {
    std::wstring source;
    std::wstring destination;
    std::wstring partial;
    uint64_t size = 0;
    uint64_t kept = 0;  // the size of a `.partial` found there, then the part of it proven
    UniqueFile in;
    UniqueFile out;
};

// The size comes from the open source, not from a lookup by name before it: under Wine each
// lookup is a round trip to the wineserver, paid for every file of a set of thousands.
int openCopy(OpenCopy& copy) {
    copy.in.reset(CreateFileW(copy.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy.in) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kCopyNoSource;
        return fail(kCopyFailed, L"cannot open", copy.source, error);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(copy.in.get(), &size)) return fail(kCopyFailed, L"cannot size", copy.source, GetLastError());
    copy.size = static_cast<uint64_t>(size.QuadPart);

    // A file of the same name that this copy replaces frees its room, and so does the part a
    // `.partial` kept. Asked only when the copy does not fit otherwise: under Wine looking up a
    // name that does not exist reads the whole folder, which a set of thousands of files in one
    // folder would pay for every file.
    bool fits = roomFor(copy.destination, copy.size);
    if (!fits) {
        const uint64_t held = FileSize(copy.destination).value_or(0) + FileSize(copy.partial).value_or(0);
        fits = roomFor(copy.destination, copy.size > held ? copy.size - held : 0);
    }
    if (!fits) {
        TraceError(L"CopyFileBlocks", L" Reason: not enough free space for '" + copy.destination + L"'");
        return kCopyNoSpace;
    }
    // DELETE access lets the finished copy take its final name through this handle. Opened, not
    // created over: a `.partial` that is there holds what an earlier copy of this file kept.
    copy.out.reset(CreateFileW(copy.partial.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.out) {
        const DWORD error = GetLastError();
        return fail(IsDriveGoneError(error) ? kCopyDriveGone : kCopyFailed, L"cannot create", copy.partial, error);
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LARGE_INTEGER kept{};
        if (GetFileSizeEx(copy.out.get(), &kept)) copy.kept = static_cast<uint64_t>(kept.QuadPart);
    }
    return kCopyDone;
}

// One block read and written whole; the bytes written go to `put`.
int copyBlock(OpenCopy& copy, void* buffer, DWORD want, DWORD& put) {
    DWORD got = 0;
    if (!ReadFile(copy.in.get(), buffer, want, &got, nullptr))
        return fail(kCopyFailed, L"cannot read", copy.source, GetLastError());
    if (got == 0)  // the source shrank under us: what was promised cannot be shipped
        return fail(kCopyFailed, L"unexpected end of", copy.source, ERROR_HANDLE_EOF);
    if (!WriteFile(copy.out.get(), buffer, got, &put, nullptr)) {
        const DWORD error = GetLastError();
        const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
        return fail(full ? kCopyNoSpace : IsDriveGoneError(error) ? kCopyDriveGone : kCopyFailed, L"cannot write",
                    copy.partial, error);
    }
    if (put < got) return fail(kCopyNoSpace, L"short write to", copy.partial, ERROR_DISK_FULL);
    return kCopyDone;
}

// The digest is taken of what was read, a chunk of blocks at a time on the hasher's thread while
// the next chunk is read and written: two chunks used in turn, each left alone until its digest
// is done. A chunk spans many blocks so the hand-over costs little beside the I/O.
constexpr DWORD kHashChunkBytes = 16 * kCopyBlockBytes;

struct ChunkedHash {
    BackgroundSha256* hasher = nullptr;
    char* chunks = nullptr;  // two of kHashChunkBytes
    int current = 0;
    DWORD filled = 0;

    char* next() { return chunks + current * kHashChunkBytes + filled; }
    // The block just read at next() joins its chunk; a full chunk goes to the hasher.
    void took(DWORD bytes, bool last) {
        if (!hasher) return;  // no digest: every block reuses the start of the buffer
        filled += bytes;
        // An empty chunk is not handed over: after a file's last block it would start the
        // hasher's thread for nothing, once per file of a set of thousands.
        if (filled == 0 || (filled < kHashChunkBytes && !last)) return;
        hasher->add(chunks + current * kHashChunkBytes, filled);
        current ^= 1;
        filled = 0;
    }
    void flush() { took(0, true); }
};

// The two chunks, kept from one copy to the next: a set of thousands of small files would
// otherwise map and unmap them, and fault their pages in again, for every file. Copies run on
// the copy stage's thread, one at a time, and the hasher is done with the chunks when a copy returns.
char* copyChunks() {
    static char* chunks = nullptr;  // asked again after a failure: memory may be back
    if (!chunks) chunks = static_cast<char*>(VirtualAlloc(nullptr, 2 * kHashChunkBytes, MEM_COMMIT, PAGE_READWRITE));
    return chunks;
}

// The kept part's reads: whole chunks (unbuffered reads go by whole sectors into page-aligned
// memory) into a buffer of their own, kept from one copy to the next.
char* keptBuffer() {
    static char* buffer = nullptr;
    if (!buffer) buffer = static_cast<char*>(VirtualAlloc(nullptr, kHashChunkBytes, MEM_COMMIT, PAGE_READWRITE));
    return buffer;
}

// Why the kept part cannot be read back: the drive gone again holds the copy, anything else
// makes it start again.
int keptUnreadable(OpenCopy& copy, DWORD error, std::wstring& startedAgain) {
    if (IsDriveGoneError(error)) return fail(kCopyDriveGone, L"cannot read back", copy.partial, error);
    startedAgain = L"the kept part could not be read back (" + ErrorDescription(error) + L")";
    return kCopyDone;
}

// Reads the kept part back from the drive, past the cache, and the same range of the source, the
// source's bytes going into the copy's running digest; the part stays (copy.kept) only when the
// two digests agree. The source is then positioned after it.
int proveKept(OpenCopy& copy, ChunkedHash& chunks, const CancelToken* cancel, std::wstring& startedAgain) {
    uint64_t kept = copy.kept;
    copy.kept = 0;
    if (kept > copy.size) {
        startedAgain = L"the kept part is longer than the source";
        return kCopyDone;
    }
    // A block being written when the copy stopped may be torn: what is kept ends at the last whole block.
    if (kept < copy.size) kept -= kept % kCopyBlockBytes;
    if (kept == 0) return kCopyDone;
    char* buffer = keptBuffer();
    if (!buffer) return fail(kCopyFailed, L"cannot allocate the read-back buffer for", copy.partial, GetLastError());
    UniqueFile back = OpenForReadBack(copy.partial);
    if (!back) return keptUnreadable(copy, GetLastError(), startedAgain);
    Sha256 keptHash;
    for (uint64_t done = 0; done < kept;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(kHashChunkBytes, kept - done));
        DWORD got = 0;
        if (!ReadFile(back.get(), buffer, kHashChunkBytes, &got, nullptr)) return keptUnreadable(copy, GetLastError(), startedAgain);
        if (got < want) return keptUnreadable(copy, ERROR_HANDLE_EOF, startedAgain);
        keptHash.add(buffer, want);
        DWORD read = 0;
        if (!ReadFile(copy.in.get(), chunks.next(), want, &read, nullptr))
            return fail(kCopyFailed, L"cannot read", copy.source, GetLastError());
        if (read < want) return fail(kCopyFailed, L"unexpected end of", copy.source, ERROR_HANDLE_EOF);
        chunks.took(want, false);
        done += want;
        if (cancel && cancel->cancelled()) return kCopyCancelled;
    }
    chunks.flush();
    const std::string source = chunks.hasher->digestSoFar();
    if (!source.empty() && source == keptHash.finish()) {
        copy.kept = kept;
        return kCopyDone;
    }
    startedAgain = L"the kept part differs from the source";
    return kCopyDone;
}

// Where the copy begins: after a proven kept part, else at the start with the `.partial` emptied
// and, when the source was read for a proof, the digest begun anew.
int startCopy(OpenCopy& copy, std::unique_ptr<BackgroundSha256>& hasher, ChunkedHash& chunks,
              const CancelToken* cancel, CopyStart& start) {
    const bool wasKept = copy.kept > 0;
    int result = kCopyDone;
    if (wasKept) {
        // Without a digest of the copy the proof still needs one of the source's range.
        std::unique_ptr<BackgroundSha256> proof;
        if (!hasher) proof = std::make_unique<BackgroundSha256>();
        ChunkedHash proving{hasher ? hasher.get() : proof.get(), chunks.chunks};
        result = proveKept(copy, proving, cancel, start.startedAgain);
        if (hasher) chunks = proving;
    }
    if (result != kCopyDone) return result;
    start.keptBytes = copy.kept;
    if (wasKept && copy.kept == 0) {
        if (hasher) {
            hasher = std::make_unique<BackgroundSha256>();
            chunks = ChunkedHash{hasher.get(), chunks.chunks};
        }
        if (!SetFilePointerEx(copy.in.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
            return fail(kCopyFailed, L"cannot rewind", copy.source, GetLastError());
    }
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(copy.kept);
    if (!SetFilePointerEx(copy.out.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(copy.out.get())) {
        const DWORD error = GetLastError();
        return fail(IsDriveGoneError(error) ? kCopyDriveGone : kCopyFailed, L"cannot cut back", copy.partial, error);
    }
    return kCopyDone;
}

int copyBlocks(OpenCopy& copy, const CancelToken* cancel, const std::function<void(uint64_t)>& onBytes,
               std::string* sha256, CopyStart& start) {
    if (!copyChunks()) return fail(kCopyFailed, L"cannot allocate the copy buffer for", copy.source, GetLastError());
    std::unique_ptr<BackgroundSha256> hasher;
    if (sha256) hasher = std::make_unique<BackgroundSha256>();
    ChunkedHash chunks{hasher.get(), copyChunks()};
    int result = startCopy(copy, hasher, chunks, cancel, start);
    uint64_t remaining = copy.size - copy.kept;
    uint64_t unreported = copy.kept;
    while (result == kCopyDone && remaining > 0) {
        const DWORD want = remaining < kCopyBlockBytes ? static_cast<DWORD>(remaining) : kCopyBlockBytes;
        DWORD put = 0;
        char* block = chunks.next();
        result = copyBlock(copy, block, want, put);
        remaining -= put;
        unreported += put;
        if (result == kCopyDone) chunks.took(put, remaining == 0);
        // Told by time across files, not at each file's end: a set of thousands of small files
        // would otherwise spend its time telling. A cancel is seen at every block, and before a
        // file counts as shipped.
        if (result == kCopyDone && cancel && cancel->cancelled()) result = kCopyCancelled;
        const ULONGLONG now = GetTickCount64();
        if (result == kCopyDone && now - gLastToldMs >= kTellEveryMs) {
            gLastToldMs = now;
            if (onBytes) onBytes(unreported);
            unreported = 0;
        }
    }
    if (unreported && onBytes) onBytes(unreported);
    if (result == kCopyDone && hasher) {
        chunks.flush();
        *sha256 = hasher->finish();
        if (sha256->empty()) result = fail(kCopyFailed, L"cannot take the digest of", copy.source, ERROR_INVALID_FUNCTION);
    }
    return result;
}

// Renames the file open at `file` (opened with DELETE access) to `target`, replacing a file there.
// Through the handle: a rename by name opens the file once more, which under Wine costs as much
// as a fifth of copying a small file. False when the file system refuses; the caller then renames
// by name.
bool renameOpenFile(HANDLE file, const std::wstring& target) {
    const DWORD nameBytes = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, target.c_str(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

// The file takes its final name only when it is whole; anything else leaves nothing behind.
int finishCopy(OpenCopy& copy, int result) {
    // A removable drive may be pulled out right after the run: there the data is on the drive
    // before the file takes its final name. Other drives keep the system's write-behind, as
    // CopyFileEx does (flushing every dump costs half the copy speed).
    if (result == kCopyDone && destinationDrive(copy.destination).type == DRIVE_REMOVABLE &&
        !FlushFileBuffers(copy.out.get())) {
        const DWORD error = GetLastError();
        result = fail(IsDriveGoneError(error) ? kCopyDriveGone : kCopyFailed, L"cannot flush", copy.partial, error);
    }
    const bool created = copy.out.valid();
    const bool renamed = result == kCopyDone && renameOpenFile(copy.out.get(), copy.destination);
    copy.out.reset();
    copy.in.reset();
    if (result == kCopyDone && !renamed &&
        !MoveFileExW(copy.partial.c_str(), copy.destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        result = fail(IsDriveGoneError(error) ? kCopyDriveGone : kCopyFailed, L"cannot rename to", copy.destination, error);
    }
    // A drive that dropped out keeps what it holds: the `.partial` is where the copy resumes.
    if (result != kCopyDone && result != kCopyDriveGone) {
        if (created) DeleteFileIfExists(copy.partial, true);
        // An older file at the final name would pass for this copy.
        DeleteFileIfExists(copy.destination, true);
    }
    return result;
}

}  // namespace

std::wstring SpaceRootOf(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
    std::wstring parent = ParentFolder(path);
    return parent.empty() ? path : parent + L"\\";
}

DestinationRoom CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes) {
    if (!FolderExists(destinationFolder)) Trf_CreateLocalDir(destinationFolder);
    if (!FolderExists(destinationFolder)) return DestinationRoom::kUnreachable;  // an unplugged drive, an empty card reader
    return DriveFreeBytes(SpaceRootOf(destinationFolder)) < bytes ? DestinationRoom::kNoRoom : DestinationRoom::kFits;
}

bool IsDriveGoneError(DWORD error) {
    switch (error) {
        case ERROR_NOT_READY:
        case ERROR_GEN_FAILURE:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_NO_MEDIA_IN_DRIVE:
        case ERROR_IO_DEVICE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

int CopyFileBlocks(const std::wstring& source, const std::wstring& destination, const CancelToken* cancel,
                   const std::function<void(uint64_t)>& onBytes, std::string* sha256, CopyStart* start) {
    OpenCopy copy;
    copy.source = source;
    copy.destination = destination;
    copy.partial = destination + kPartialSuffix;
    int result = openCopy(copy);
    if (result == kCopyNoSource) return result;
    CopyStart begun;
    if (result == kCopyDone) result = copyBlocks(copy, cancel, onBytes, sha256, begun);
    if (start) *start = begun;
    return finishCopy(copy, result);
}

}  // namespace tess
