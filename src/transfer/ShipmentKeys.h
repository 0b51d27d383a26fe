#pragma once
// The shipment's data key wrapped for whoever may read the drive, kept beside the data in
// `Tessaron-KEYS.json`: for the service with the RSA public key of its certificate (RSA-OAEP
// through CryptoAPI), and for the customer with a passphrase (PBKDF2-HMAC-SHA256, then AES-256-GCM).
// The data key itself is never written anywhere.
#include <cstdint>
#include <optional>
#include <string>

#include "transfer/Encryption.h"

namespace tess {

extern const wchar_t kKeysFileName[];  // "Tessaron-KEYS.json"
constexpr uint32_t kPassphraseIterations = 600000;

struct KeyRecipients {
    std::wstring certificateFile;          // a `.cer` (DER or PEM); empty: none
    std::optional<std::wstring> passphrase;
    uint32_t iterations = kPassphraseIterations;
};

struct WrappedKeys {
    std::string json;      // the keys file's text; empty when the key could not be wrapped
    std::wstring reason;   // why not
    std::wstring forWhom;  // for the run report: "the certificate CN=... (thumbprint ...)", "a passphrase"
};

WrappedKeys WrapShipmentKey(const ShipmentKey& key, const KeyRecipients& recipients);

// Where the reader's key comes from.
struct KeySource {
    std::optional<std::wstring> passphrase;
    std::wstring keyFile;  // the service's RSA private key, PEM (PKCS#1 or PKCS#8, unencrypted)
    bool certificateStore = false;  // the private key of the wrapping certificate in the MY stores
};

// The data key opened from the keys file's text; none with the reason when no recipient opens.
std::optional<ShipmentKey> UnwrapShipmentKey(const std::string& json, const KeySource& source, std::wstring& reason);

}  // namespace tess
