#pragma once
// The encrypted form of a shipped file (`<name>.tenc`, described in docs/encrypted-shipment.md):
// a header, then the file in chunks of AES-256-GCM through the system's cryptography (CNG), then
// an encrypted trailer with the plaintext's size and SHA-256. Every chunk's nonce holds its
// number and its authenticated data the header and whether it is the last, so an altered,
// dropped, reordered or cut-off chunk fails its tag.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "transfer/CancelToken.h"

namespace tess {

constexpr uint32_t kEncryptedChunkBytes = 1u << 20;
constexpr uint16_t kEncryptedFormatVersion = 1;
constexpr size_t kEncryptedHeaderBytes = 36;
constexpr size_t kGcmTagBytes = 16;
constexpr size_t kTrailerPlainBytes = 8 + 32;  // the plaintext's size, then its SHA-256
extern const wchar_t kEncryptedSuffix[];       // ".tenc"

using DataKey = std::array<unsigned char, 32>;
using KeyId = std::array<unsigned char, 16>;

// Random bytes from the system's generator; false when it failed.
bool RandomBytes(void* buffer, size_t byteCount);

// The shipment's data key and its id. The key is wiped when the object goes.
struct ShipmentKey {
    DataKey key{};
    KeyId id{};
    ShipmentKey() = default;
    ShipmentKey(const ShipmentKey&) = default;
    ShipmentKey& operator=(const ShipmentKey&) = default;
    ~ShipmentKey() { SecureZeroMemory(key.data(), key.size()); }
    // A fresh random key and id; none when the system's generator failed.
    static std::optional<ShipmentKey> Generate();
};

std::string HexOf(const void* bytes, size_t byteCount);

// AES-256-GCM with a 12-byte nonce and a 16-byte tag, one whole message a call.
class AesGcm {
public:
    explicit AesGcm(const DataKey& key);
    ~AesGcm();
    AesGcm(const AesGcm&) = delete;
    AesGcm& operator=(const AesGcm&) = delete;

    bool ok() const { return key_ != nullptr; }
    // `out` takes `byteCount` bytes of ciphertext, then the tag.
    bool seal(const unsigned char* nonce, const void* aad, size_t aadBytes, const void* plain, size_t byteCount,
              unsigned char* out);
    // `in` holds `byteCount` bytes of ciphertext, then the tag; false when the tag does not match.
    bool open(const unsigned char* nonce, const void* aad, size_t aadBytes, const unsigned char* in, size_t byteCount,
              unsigned char* out);

private:
    void* algorithm_ = nullptr;
    void* key_ = nullptr;
};

struct EncryptResult {
    bool done = false;
    bool cancelled = false;
    bool noRoom = false;
    std::wstring reason;
    uint64_t bytes = 0;        // written to the drive
    std::string sha256;        // of what was written (the manifest's and the read-back's digest)
    std::string plainSha256;   // of the source, as the trailer holds it
};

// Encrypts `source` to `target` (written as `<target>.partial`, renamed when whole). `onBytes` gets
// the source bytes done since its last call; `cancel` (when given) ends it.
EncryptResult EncryptFileTo(const std::wstring& source, const std::wstring& target, const ShipmentKey& key,
                            const CancelToken* cancel = nullptr,
                            const std::function<void(uint64_t bytes)>& onBytes = nullptr);

struct DecryptResult {
    bool done = false;
    std::wstring reason;  // why the file was refused
    uint64_t bytes = 0;   // restored
    std::string sha256;   // of the restored bytes, proven against the trailer
};

// The key id a `.tenc` file's header names; none when it is not such a file.
std::optional<KeyId> EncryptedFileKeyId(const std::wstring& path);

// Restores `source` to `target`: written as `<target>.partial` and renamed only once every tag
// and the trailer's digest are proven; a refused file leaves nothing at either name.
DecryptResult DecryptFileTo(const std::wstring& source, const std::wstring& target, const ShipmentKey& key);

}  // namespace tess
