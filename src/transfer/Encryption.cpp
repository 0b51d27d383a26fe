#include "transfer/Encryption.h"

#include <bcrypt.h>

#include <cstring>
#include <algorithm>
#include <memory>
#include <vector>

#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "transfer/BlockCopy.h"
#include "transfer/Sha256.h"

namespace tess {

const wchar_t kEncryptedSuffix[] = L".tenc";

namespace {

constexpr unsigned char kMagic[4] = {'T', 'E', 'N', 'C'};
constexpr unsigned char kDataChunk = 0, kLastChunk = 1;
constexpr NTSTATUS kAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);

using Header = std::array<unsigned char, kEncryptedHeaderBytes>;

void putLe(unsigned char* at, uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}
uint64_t getLe(const unsigned char* at, int byteCount) {
    uint64_t value = 0;
    for (int i = byteCount - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

Header makeHeader(const KeyId& id, const unsigned char* noncePrefix) {
    Header header{};
    std::memcpy(header.data(), kMagic, 4);
    putLe(header.data() + 4, kEncryptedFormatVersion, 2);
    putLe(header.data() + 8, kEncryptedChunkBytes, 4);
    std::memcpy(header.data() + 12, id.data(), id.size());
    std::memcpy(header.data() + 28, noncePrefix, 8);
    return header;
}

// The nonce: the header's 8-byte prefix, then the chunk's number big-endian.
void nonceOf(const Header& header, uint32_t chunk, unsigned char* nonce) {
    std::memcpy(nonce, header.data() + 28, 8);
    for (int i = 0; i < 4; ++i) nonce[8 + i] = static_cast<unsigned char>(chunk >> (8 * (3 - i)));
}

// The authenticated data of a chunk: the whole header, then whether the chunk is the last.
std::array<unsigned char, kEncryptedHeaderBytes + 1> aadOf(const Header& header, unsigned char flag) {
    std::array<unsigned char, kEncryptedHeaderBytes + 1> aad{};
    std::memcpy(aad.data(), header.data(), header.size());
    aad[kEncryptedHeaderBytes] = flag;
    return aad;
}

bool hexToBytes(const std::string& hex, unsigned char* out, size_t byteCount) {
    if (hex.size() != 2 * byteCount) return false;
    for (size_t i = 0; i < byteCount; ++i) out[i] = static_cast<unsigned char>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return true;
}

bool readWhole(HANDLE file, void* buffer, DWORD want) {
    DWORD got = 0;
    return ReadFile(file, buffer, want, &got, nullptr) && got == want;
}

std::vector<unsigned char>& bufferOf(std::vector<unsigned char>& buffer) {
    if (buffer.size() < kEncryptedChunkBytes + kGcmTagBytes) buffer.resize(kEncryptedChunkBytes + kGcmTagBytes);
    return buffer;
}

// Tells a worker thread to stop and waits for it to end.
void stopThread(SRWLOCK& lock, CONDITION_VARIABLE& changed, bool& stop, HANDLE thread) {
    AcquireSRWLockExclusive(&lock);
    stop = true;
    WakeAllConditionVariable(&changed);
    ReleaseSRWLockExclusive(&lock);
    if (thread) WaitForSingleObject(thread, INFINITE);
}

// The source read ahead on a thread of its own into a ring of chunk buffers, so that a drive
// keeps reading while chunks are sealed, digested and written. One thread for the whole file: a
// thread started for each chunk cost more under Wine than the read it overlapped.
class ChunkReader {
public:
    static constexpr uint64_t kSlots = 4;

    ChunkReader(HANDLE file, uint64_t size)
        : file_(file), size_(size), chunks_((size + kEncryptedChunkBytes - 1) / kEncryptedChunkBytes) {
        static std::vector<unsigned char> ring;  // kept from one file to the next; files go one at a time
        if (ring.size() < kSlots * kEncryptedChunkBytes) ring.resize(kSlots * kEncryptedChunkBytes);
        ring_ = ring.data();
        if (chunks_) thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
        if (chunks_ && !thread_) failed_ = true;
    }
    ~ChunkReader() { stopThread(lock_, changed_, stop_, thread_.get()); }
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // Chunk `n` once read; null when the source could not be read (or shrank) up to it.
    const unsigned char* chunk(uint64_t n) {
        AcquireSRWLockExclusive(&lock_);
        while (read_ <= n && !failed_) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        const bool there = read_ > n;
        ReleaseSRWLockExclusive(&lock_);
        return there ? slot(n) : nullptr;
    }
    // Chunk `n` (and those before it) no longer used: its buffer may take a chunk further on.
    void release(uint64_t n) {
        AcquireSRWLockExclusive(&lock_);
        released_ = n + 1;
        WakeAllConditionVariable(&changed_);
        ReleaseSRWLockExclusive(&lock_);
    }
    DWORD error() const { return error_; }

private:
    unsigned char* slot(uint64_t n) const { return ring_ + (n % kSlots) * kEncryptedChunkBytes; }
    DWORD bytesOf(uint64_t n) const {
        return static_cast<DWORD>(std::min<uint64_t>(kEncryptedChunkBytes, size_ - n * kEncryptedChunkBytes));
    }
    static DWORD WINAPI run(void* self) {
        auto* reader = static_cast<ChunkReader*>(self);
        for (uint64_t n = 0; n < reader->chunks_; ++n) {
            AcquireSRWLockExclusive(&reader->lock_);
            while (n >= reader->released_ + kSlots && !reader->stop_)
                SleepConditionVariableSRW(&reader->changed_, &reader->lock_, INFINITE, 0);
            const bool stop = reader->stop_;
            ReleaseSRWLockExclusive(&reader->lock_);
            if (stop) break;
            const bool ok = readWhole(reader->file_, reader->slot(n), reader->bytesOf(n));
            const DWORD error = ok ? 0 : GetLastError();
            AcquireSRWLockExclusive(&reader->lock_);
            if (ok) {
                reader->read_ = n + 1;
            } else {
                reader->failed_ = true;
                reader->error_ = error;
            }
            WakeAllConditionVariable(&reader->changed_);
            ReleaseSRWLockExclusive(&reader->lock_);
            if (!ok) break;
        }
        return 0;
    }

    HANDLE file_;
    uint64_t size_, chunks_;
    unsigned char* ring_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    uint64_t read_ = 0, released_ = 0;  // under lock_
    bool failed_ = false, stop_ = false;
    DWORD error_ = 0;
    UniqueHandle thread_;
};

// A digest taken on a thread of its own from a queue of blocks, so that the reader, the sealing
// and both digests of an encrypted copy go on at once. The two digests on one such thread measured
// slower than on a thread each.
class QueuedSha256 {
public:
    static constexpr uint64_t kQueued = 4;

    QueuedSha256() { thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr)); }
    ~QueuedSha256() { stopThread(lock_, changed_, stop_, thread_.get()); }
    QueuedSha256(const QueuedSha256&) = delete;
    QueuedSha256& operator=(const QueuedSha256&) = delete;

    bool ok() const { return thread_ && digest_.ok(); }
    // Hands the block over (waiting only while the queue is full); its number, for waitFor.
    uint64_t add(const void* data, size_t byteCount) {
        AcquireSRWLockExclusive(&lock_);
        while (handed_ - done_ >= kQueued) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        blocks_[handed_ % kQueued] = {data, byteCount};
        const uint64_t number = ++handed_;
        WakeAllConditionVariable(&changed_);
        ReleaseSRWLockExclusive(&lock_);
        return number;
    }
    // Once block `number` is digested: its buffer is free again.
    void waitFor(uint64_t number) {
        AcquireSRWLockExclusive(&lock_);
        while (done_ < number) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        ReleaseSRWLockExclusive(&lock_);
    }
    std::string finish() {
        waitFor(handed_);
        return digest_.finish();
    }

private:
    struct Block {
        const void* data;
        size_t byteCount;
    };
    static DWORD WINAPI run(void* self) {
        auto* queue = static_cast<QueuedSha256*>(self);
        AcquireSRWLockExclusive(&queue->lock_);
        for (;;) {
            while (queue->done_ == queue->handed_ && !queue->stop_)
                SleepConditionVariableSRW(&queue->changed_, &queue->lock_, INFINITE, 0);
            if (queue->done_ == queue->handed_) break;
            const Block block = queue->blocks_[queue->done_ % kQueued];
            ReleaseSRWLockExclusive(&queue->lock_);
            queue->digest_.add(block.data, block.byteCount);
            AcquireSRWLockExclusive(&queue->lock_);
            ++queue->done_;
            WakeAllConditionVariable(&queue->changed_);
        }
        ReleaseSRWLockExclusive(&queue->lock_);
        return 0;
    }

    Sha256 digest_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    Block blocks_[kQueued]{};
    uint64_t handed_ = 0, done_ = 0;  // under lock_
    bool stop_ = false;
    UniqueHandle thread_;
};

// A file written under its temporary name and given the final one only when proven whole.
struct PartialFile {
    std::wstring target, partial;
    UniqueFile out;
    bool kept = false;

    explicit PartialFile(std::wstring finalName) : target(std::move(finalName)), partial(target + kPartialSuffix) {
        out.reset(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    ~PartialFile() {
        if (kept) return;
        out.reset();
        DeleteFileIfExists(partial, true);
        DeleteFileIfExists(target, true);  // an older file there would pass for this one
    }
    DWORD write(const void* data, size_t byteCount) {
        DWORD put = 0;
        if (!WriteFile(out.get(), data, static_cast<DWORD>(byteCount), &put, nullptr)) return GetLastError();
        return put == byteCount ? 0 : ERROR_DISK_FULL;
    }
    DWORD keep() {
        out.reset();
        if (!MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return GetLastError();
        kept = true;
        return 0;
    }
};

}  // namespace

bool RandomBytes(void* buffer, size_t byteCount) {
    return BCryptGenRandom(nullptr, static_cast<PUCHAR>(buffer), static_cast<ULONG>(byteCount),
                           BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

std::optional<ShipmentKey> ShipmentKey::Generate() {
    ShipmentKey key;
    if (!RandomBytes(key.key.data(), key.key.size()) || !RandomBytes(key.id.data(), key.id.size())) return std::nullopt;
    return key;
}

std::string HexOf(const void* bytes, size_t byteCount) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < byteCount; ++i) {
        const auto b = static_cast<const unsigned char*>(bytes)[i];
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

AesGcm::AesGcm(const DataKey& key) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0) < 0) return;
    algorithm_ = algorithm;
    const auto mode = reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM));
    if (BCryptSetProperty(algorithm, BCRYPT_CHAINING_MODE, mode, sizeof(BCRYPT_CHAIN_MODE_GCM), 0) < 0) return;
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (BCryptGenerateSymmetricKey(algorithm, &handle, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                   static_cast<ULONG>(key.size()), 0) >= 0)
        key_ = handle;
}

AesGcm::~AesGcm() {
    if (key_) BCryptDestroyKey(static_cast<BCRYPT_KEY_HANDLE>(key_));
    if (algorithm_) BCryptCloseAlgorithmProvider(static_cast<BCRYPT_ALG_HANDLE>(algorithm_), 0);
}

namespace {

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO modeInfo(const unsigned char* nonce, const void* aad, size_t aadBytes,
                                               unsigned char* tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = const_cast<PUCHAR>(nonce);
    info.cbNonce = 12;
    info.pbAuthData = static_cast<PUCHAR>(const_cast<void*>(aad));
    info.cbAuthData = static_cast<ULONG>(aadBytes);
    info.pbTag = tag;
    info.cbTag = kGcmTagBytes;
    return info;
}

}  // namespace

bool AesGcm::seal(const unsigned char* nonce, const void* aad, size_t aadBytes, const void* plain, size_t byteCount,
                  unsigned char* out) {
    if (!key_) return false;
    auto info = modeInfo(nonce, aad, aadBytes, out + byteCount);
    ULONG done = 0;
    return BCryptEncrypt(static_cast<BCRYPT_KEY_HANDLE>(key_), static_cast<PUCHAR>(const_cast<void*>(plain)),
                         static_cast<ULONG>(byteCount), &info, nullptr, 0, out, static_cast<ULONG>(byteCount), &done,
                         0) >= 0 &&
           done == byteCount;
}

bool AesGcm::open(const unsigned char* nonce, const void* aad, size_t aadBytes, const unsigned char* in,
                  size_t byteCount, unsigned char* out) {
    if (!key_) return false;
    unsigned char tag[kGcmTagBytes];
    std::memcpy(tag, in + byteCount, kGcmTagBytes);
    auto info = modeInfo(nonce, aad, aadBytes, tag);
    ULONG done = 0;
    const NTSTATUS status = BCryptDecrypt(static_cast<BCRYPT_KEY_HANDLE>(key_), const_cast<PUCHAR>(in),
                                          static_cast<ULONG>(byteCount), &info, nullptr, 0, out,
                                          static_cast<ULONG>(byteCount), &done, 0);
    if (status == kAuthTagMismatch) return false;
    return status >= 0 && done == byteCount;
}

EncryptResult EncryptFileTo(const std::wstring& source, const std::wstring& target, const ShipmentKey& key,
                            const CancelToken* cancel, const std::function<void(uint64_t)>& onBytes) {
    EncryptResult result;
    UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) {
        result.reason = L"the source cannot be opened: " + ErrorDescription(GetLastError());
        return result;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(in.get(), &size);
    AesGcm gcm(key.key);
    unsigned char prefix[8];
    if (!gcm.ok() || !RandomBytes(prefix, sizeof prefix)) {
        result.reason = L"the system's cryptography (CNG) cannot encrypt";
        return result;
    }
    PartialFile out(target);
    if (!out.out) {
        result.reason = L"the encrypted copy cannot be created: " + ErrorDescription(GetLastError());
        return result;
    }
    const Header header = makeHeader(key.id, prefix);
    const auto dataAad = aadOf(header, kDataChunk), lastAad = aadOf(header, kLastChunk);
    // The reader fills chunks ahead while the one before is sealed and written; a chunk's buffer
    // goes back to it once sealed and digested. The sealed buffers take turns the same way.
    constexpr uint64_t kSealedSlots = 3;
    static std::vector<unsigned char> sealedRing;
    if (sealedRing.size() < kSealedSlots * (kEncryptedChunkBytes + kGcmTagBytes))
        sealedRing.resize(kSealedSlots * (kEncryptedChunkBytes + kGcmTagBytes));
    const uint64_t total = static_cast<uint64_t>(size.QuadPart);
    ChunkReader reader(in.get(), total);
    QueuedSha256 plainHash, sealedHash;
    if (!plainHash.ok() || !sealedHash.ok()) {
        result.reason = L"the system's cryptography cannot take the digests";
        return result;
    }
    sealedHash.add(header.data(), header.size());
    DWORD error = out.write(header.data(), header.size());
    uint64_t remaining = total, written = header.size();
    uint32_t chunk = 0;
    uint64_t plainJobs[2] = {}, sealedJobs[kSealedSlots] = {};
    unsigned char nonce[12];
    while (!error && remaining > 0) {
        const unsigned char* plain = reader.chunk(chunk);
        if (!plain) {
            result.reason = L"the source cannot be read (or shrank): " + ErrorDescription(reader.error());
            return result;
        }
        const DWORD bytes = remaining < kEncryptedChunkBytes ? static_cast<DWORD>(remaining) : kEncryptedChunkBytes;
        remaining -= bytes;
        plainJobs[chunk & 1] = plainHash.add(plain, bytes);
        unsigned char* sealed = sealedRing.data() + (chunk % kSealedSlots) * (kEncryptedChunkBytes + kGcmTagBytes);
        sealedHash.waitFor(sealedJobs[chunk % kSealedSlots]);
        nonceOf(header, chunk, nonce);
        if (!gcm.seal(nonce, dataAad.data(), dataAad.size(), plain, bytes, sealed)) {
            result.reason = L"the system's cryptography (CNG) failed to encrypt a chunk";
            return result;
        }
        if (chunk > 0) {
            plainHash.waitFor(plainJobs[(chunk - 1) & 1]);
            reader.release(chunk - 1);
        }
        sealedJobs[chunk % kSealedSlots] = sealedHash.add(sealed, bytes + kGcmTagBytes);
        error = out.write(sealed, bytes + kGcmTagBytes);
        written += bytes + kGcmTagBytes;
        ++chunk;
        if (onBytes) onBytes(bytes);
        if (cancel && cancel->cancelled()) {
            result.cancelled = true;
            result.reason = L"the transfer was cancelled by the user";
            return result;
        }
    }
    result.plainSha256 = plainHash.finish();
    unsigned char trailer[kTrailerPlainBytes];
    static unsigned char sealedTrailer[kTrailerPlainBytes + kGcmTagBytes];
    putLe(trailer, static_cast<uint64_t>(size.QuadPart), 8);
    nonceOf(header, chunk, nonce);
    if (!error && (!hexToBytes(result.plainSha256, trailer + 8, 32) ||
                   !gcm.seal(nonce, lastAad.data(), lastAad.size(), trailer, sizeof trailer, sealedTrailer))) {
        result.reason = L"the system's cryptography failed to seal the trailer";
        return result;
    }
    if (!error) error = out.write(sealedTrailer, sizeof sealedTrailer);
    if (!error) {
        written += sizeof sealedTrailer;
        sealedHash.add(sealedTrailer, sizeof sealedTrailer);
        result.sha256 = sealedHash.finish();
        error = out.keep();
    }
    if (error) {
        result.noRoom = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
        result.reason = result.noRoom ? L"the destination drive has no room left for it"
                                      : L"the encrypted copy cannot be written: " + ErrorDescription(error);
        result.sha256.clear();
        return result;
    }
    result.done = true;
    result.bytes = written;
    return result;
}

std::optional<KeyId> EncryptedFileKeyId(const std::wstring& path) {
    UniqueFile in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    Header header{};
    if (!in || !readWhole(in.get(), header.data(), header.size()) || std::memcmp(header.data(), kMagic, 4) != 0)
        return std::nullopt;
    KeyId id{};
    std::memcpy(id.data(), header.data() + 12, id.size());
    return id;
}

DecryptResult DecryptFileTo(const std::wstring& source, const std::wstring& target, const ShipmentKey& key) {
    DecryptResult result;
    const auto refuse = [&result](const std::wstring& reason) {
        result.reason = reason;
        return result;
    };
    UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return refuse(L"it cannot be opened: " + ErrorDescription(GetLastError()));
    // Whatever refuses the file leaves nothing at the restored name, an older file there included.
    PartialFile out(target);
    if (!out.out) return refuse(L"the restored file cannot be created: " + ErrorDescription(GetLastError()));
    LARGE_INTEGER size{};
    GetFileSizeEx(in.get(), &size);
    Header header{};
    if (!readWhole(in.get(), header.data(), header.size()) || std::memcmp(header.data(), kMagic, 4) != 0)
        return refuse(L"it is not an encrypted shipment file");
    const uint64_t version = getLe(header.data() + 4, 2);
    if (version != kEncryptedFormatVersion)
        return refuse(L"its format version " + std::to_wstring(version) + L" is not known to this program");
    if (std::memcmp(header.data() + 12, key.id.data(), key.id.size()) != 0)
        return refuse(L"it was encrypted with another key (key id " + FromAnsi(HexOf(header.data() + 12, 16)) +
                      L", this shipment's is " + FromAnsi(HexOf(key.id.data(), key.id.size())) + L")");
    const uint64_t chunkBytes = getLe(header.data() + 8, 4);
    const uint64_t sealedChunk = chunkBytes + kGcmTagBytes;
    const int64_t body = size.QuadPart - static_cast<int64_t>(kEncryptedHeaderBytes + kTrailerPlainBytes + kGcmTagBytes);
    const uint64_t rest = body < 0 ? 0 : static_cast<uint64_t>(body) % sealedChunk;
    if (chunkBytes != kEncryptedChunkBytes || body < 0 || (rest != 0 && rest <= kGcmTagBytes))
        return refuse(L"it is cut short (its size cannot hold whole chunks and the trailer)");
    const uint64_t chunks = static_cast<uint64_t>(body) / sealedChunk + (rest ? 1 : 0);

    AesGcm gcm(key.key);
    if (!gcm.ok()) return refuse(L"the system's cryptography (CNG) cannot decrypt");
    const auto dataAad = aadOf(header, kDataChunk), lastAad = aadOf(header, kLastChunk);
    static std::vector<unsigned char> sealedBuffer, plainBuffer;
    unsigned char* sealed = bufferOf(sealedBuffer).data();
    unsigned char* plain = bufferOf(plainBuffer).data();
    Sha256 hash;
    unsigned char nonce[12];
    uint64_t restored = 0;
    for (uint64_t chunk = 0; chunk < chunks; ++chunk) {
        const DWORD sealedBytes = chunk + 1 < chunks || rest == 0 ? static_cast<DWORD>(sealedChunk) : static_cast<DWORD>(rest);
        const DWORD plainBytes = sealedBytes - kGcmTagBytes;
        if (!readWhole(in.get(), sealed, sealedBytes)) return refuse(L"it cannot be read: " + ErrorDescription(GetLastError()));
        nonceOf(header, static_cast<uint32_t>(chunk), nonce);
        if (!gcm.open(nonce, dataAad.data(), dataAad.size(), sealed, plainBytes, plain))
            return refuse(L"chunk " + std::to_wstring(chunk + 1) + L" of " + std::to_wstring(chunks) +
                          L" does not authenticate: the file was altered or cut short, or chunks were dropped or reordered");
        hash.add(plain, plainBytes);
        if (const DWORD error = out.write(plain, plainBytes))
            return refuse(L"the restored file cannot be written: " + ErrorDescription(error));
        restored += plainBytes;
    }
    unsigned char trailer[kTrailerPlainBytes];
    nonceOf(header, static_cast<uint32_t>(chunks), nonce);
    if (!readWhole(in.get(), sealed, kTrailerPlainBytes + kGcmTagBytes) ||
        !gcm.open(nonce, lastAad.data(), lastAad.size(), sealed, kTrailerPlainBytes, trailer))
        return refuse(L"its end does not authenticate: the file was cut short or its last chunk altered");
    result.sha256 = hash.finish();
    if (getLe(trailer, 8) != restored || HexOf(trailer + 8, 32) != result.sha256)
        return refuse(L"the restored bytes differ from the size and SHA-256 its trailer holds");
    if (const DWORD error = out.keep()) return refuse(L"the restored file cannot be renamed: " + ErrorDescription(error));
    result.done = true;
    result.bytes = restored;
    return result;
}

}  // namespace tess
