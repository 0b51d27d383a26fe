#include "transfer/BlockCopy.h"

#include <cstring>
#include <memory>
#include <vector>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
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

    // A file of the same name that this copy replaces frees its room. Asked only when the copy does
    // not fit otherwise: under Wine looking up a name that does not exist reads the whole folder,
    // which a set of thousands of files in one folder would pay for every file.
    bool fits = roomFor(copy.destination, copy.size);
    if (!fits && FileExists(copy.destination)) {
        const uint64_t replaced = FileSize(copy.destination).value_or(0);
        fits = roomFor(copy.destination, copy.size > replaced ? copy.size - replaced : 0);
    }
    if (!fits) {
        TraceError(L"CopyFileBlocks", L" Reason: not enough free space for '" + copy.destination + L"'");
        return kCopyNoSpace;
    }
    // DELETE access lets the finished copy take its final name through this handle.
    copy.out.reset(CreateFileW(copy.partial.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.out) return fail(kCopyFailed, L"cannot create", copy.partial, GetLastError());
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
        return fail(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kCopyNoSpace : kCopyFailed,
                    L"cannot write", copy.partial, error);
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

int copyBlocks(OpenCopy& copy, const CancelToken* cancel, const std::function<void(uint64_t)>& onBytes,
               std::string* sha256) {
    if (!copyChunks()) return fail(kCopyFailed, L"cannot allocate the copy buffer for", copy.source, GetLastError());
    std::unique_ptr<BackgroundSha256> hasher;
    if (sha256) hasher = std::make_unique<BackgroundSha256>();
    ChunkedHash chunks{hasher.get(), copyChunks()};
    int result = kCopyDone;
    uint64_t remaining = copy.size;
    uint64_t unreported = 0;
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
        !FlushFileBuffers(copy.out.get()))
        result = fail(kCopyFailed, L"cannot flush", copy.partial, GetLastError());
    const bool created = copy.out.valid();
    const bool renamed = result == kCopyDone && renameOpenFile(copy.out.get(), copy.destination);
    copy.out.reset();
    copy.in.reset();
    if (result == kCopyDone && !renamed &&
        !MoveFileExW(copy.partial.c_str(), copy.destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = fail(kCopyFailed, L"cannot rename to", copy.destination, GetLastError());
    if (result != kCopyDone) {
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

int CopyFileBlocks(const std::wstring& source, const std::wstring& destination, const CancelToken* cancel,
                   const std::function<void(uint64_t)>& onBytes, std::string* sha256) {
    OpenCopy copy;
    copy.source = source;
    copy.destination = destination;
    copy.partial = destination + kPartialSuffix;
    int result = openCopy(copy);
    if (result == kCopyNoSource) return result;
    if (result == kCopyDone) result = copyBlocks(copy, cancel, onBytes, sha256);
    return finishCopy(copy, result);
}

}  // namespace tess
