#include "transfer/ShipmentKeys.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/Files.h"
#include "common/Text.h"

namespace tess {

const wchar_t kKeysFileName[] = L"Tessaron-KEYS.json";

namespace {

using Bytes = std::vector<unsigned char>;
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr char kCertificateKind[] = "certificate", kPassphraseKind[] = "passphrase";

std::string hex(const Bytes& bytes) { return HexOf(bytes.data(), bytes.size()); }

std::optional<Bytes> unhex(const std::string& text) {
    if (text.size() % 2) return std::nullopt;
    Bytes bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const auto digit = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

// A DER object from a file holding it as DER or as PEM (the block that `marker` names).
std::optional<Bytes> derFromFile(const std::wstring& path, const std::vector<std::string>& markers) {
    const auto text = ReadFileBytes(path, 1u << 20);
    if (!text) return std::nullopt;
    for (const auto& marker : markers) {
        const size_t begin = text->find("-----BEGIN " + marker + "-----");
        if (begin == std::string::npos) continue;
        const std::string block = text->substr(begin);
        DWORD size = 0;
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                  &size, nullptr, nullptr))
            return std::nullopt;
        Bytes der(size);
        CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                             &size, nullptr, nullptr);
        return der;
    }
    if (text->find("-----BEGIN") != std::string::npos) return std::nullopt;
    return Bytes(text->begin(), text->end());
}

struct Provider {
    HCRYPTPROV handle = 0;
    Provider() { CryptAcquireContextW(&handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT); }
    ~Provider() {
        if (handle) CryptReleaseContext(handle, 0);
    }
};

struct CryptKey {
    HCRYPTKEY handle = 0;
    ~CryptKey() {
        if (handle) CryptDestroyKey(handle);
    }
};

// RSA-OAEP (SHA-1, as CryptoAPI does it); the result big-endian, as every other tool writes it
// (CryptoAPI gives it least significant byte first).
std::optional<Bytes> rsaWrap(PCCERT_CONTEXT certificate, const DataKey& key) {
    Provider provider;
    CryptKey publicKey;
    if (!provider.handle || !CryptImportPublicKeyInfo(provider.handle, kEncoding,
                                                      &certificate->pCertInfo->SubjectPublicKeyInfo, &publicKey.handle))
        return std::nullopt;
    DWORD size = static_cast<DWORD>(key.size());
    if (!CryptEncrypt(publicKey.handle, 0, TRUE, CRYPT_OAEP, nullptr, &size, 0)) return std::nullopt;
    Bytes wrapped(std::max<size_t>(size, key.size()));
    std::memcpy(wrapped.data(), key.data(), key.size());
    size = static_cast<DWORD>(key.size());
    if (!CryptEncrypt(publicKey.handle, 0, TRUE, CRYPT_OAEP, wrapped.data(), &size, static_cast<DWORD>(wrapped.size())))
        return std::nullopt;
    wrapped.resize(size);
    std::reverse(wrapped.begin(), wrapped.end());
    return wrapped;
}

std::optional<DataKey> rsaUnwrap(HCRYPTKEY privateKey, Bytes wrapped) {
    std::reverse(wrapped.begin(), wrapped.end());
    DWORD size = static_cast<DWORD>(wrapped.size());
    if (!CryptDecrypt(privateKey, 0, TRUE, CRYPT_OAEP, wrapped.data(), &size) || size != sizeof(DataKey))
        return std::nullopt;
    DataKey key;
    std::memcpy(key.data(), wrapped.data(), key.size());
    SecureZeroMemory(wrapped.data(), wrapped.size());
    return key;
}

template <typename T>
struct LocalBlock {
    T* data = nullptr;
    DWORD size = 0;
    ~LocalBlock() {
        if (data) LocalFree(data);
    }
};

bool decode(LPCSTR type, const unsigned char* der, DWORD derSize, LocalBlock<BYTE>& out) {
    return CryptDecodeObjectEx(kEncoding, type, der, derSize, CRYPT_DECODE_ALLOC_FLAG, nullptr, &out.data, &out.size);
}

// One DER element at `at`: its tag, and its content's place; false when it runs past `end`.
bool derElement(const unsigned char*& at, const unsigned char* end, unsigned char& tag, const unsigned char*& content,
                size_t& length) {
    if (end - at < 2) return false;
    tag = *at++;
    length = *at++;
    if (length & 0x80) {
        const size_t count = length & 0x7f;
        if (count == 0 || count > 4 || static_cast<size_t>(end - at) < count) return false;
        length = 0;
        for (size_t i = 0; i < count; ++i) length = (length << 8) | *at++;
    }
    if (static_cast<size_t>(end - at) < length) return false;
    content = at;
    at += length;
    return true;
}

// The PKCS#1 key inside a PKCS#8 PrivateKeyInfo (SEQUENCE { version, algorithm, OCTET STRING });
// Wine's CryptDecodeObjectEx does not know the PKCS#8 structure.
std::optional<Bytes> pkcs1Inside(const Bytes& der) {
    const unsigned char *at = der.data(), *end = der.data() + der.size(), *content = nullptr;
    unsigned char tag = 0;
    size_t length = 0;
    if (!derElement(at, end, tag, content, length) || tag != 0x30) return std::nullopt;
    at = content;
    end = content + length;
    for (const unsigned char want : {0x02, 0x30, 0x04})
        if (!derElement(at, end, tag, content, length) || tag != want) return std::nullopt;
    return Bytes(content, content + length);
}

// The RSA private key of a PEM (or DER) file, PKCS#1 or PKCS#8, imported for decryption.
bool importPrivateKey(const std::wstring& path, HCRYPTPROV provider, CryptKey& key) {
    auto der = derFromFile(path, {"RSA PRIVATE KEY", "PRIVATE KEY"});
    if (!der) return false;
    if (auto inner = pkcs1Inside(*der)) der->swap(*inner);
    LocalBlock<BYTE> blob;
    if (!decode(PKCS_RSA_PRIVATE_KEY, der->data(), static_cast<DWORD>(der->size()), blob)) return false;
    const bool imported = CryptImportKey(provider, blob.data, blob.size, 0, 0, &key.handle);
    SecureZeroMemory(blob.data, blob.size);
    SecureZeroMemory(der->data(), der->size());
    return imported;
}

// The certificate's private key from the user's, then the machine's personal store.
std::optional<DataKey> unwrapFromStore(const std::string& thumbprint, const Bytes& wrapped) {
    const auto hash = unhex(thumbprint);
    if (!hash) return std::nullopt;
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(hash->size()), const_cast<BYTE*>(hash->data())};
    for (const DWORD where : {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE}) {
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, where | CERT_STORE_READONLY_FLAG, L"MY");
        if (!store) continue;
        PCCERT_CONTEXT certificate = CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
        std::optional<DataKey> key;
        HCRYPTPROV_OR_NCRYPT_KEY_HANDLE provider = 0;
        DWORD spec = 0;
        BOOL release = FALSE;
        if (certificate && CryptAcquireCertificatePrivateKey(certificate, CRYPT_ACQUIRE_SILENT_FLAG, nullptr, &provider,
                                                             &spec, &release)) {
            CryptKey privateKey;
            if (CryptGetUserKey(provider, spec, &privateKey.handle)) key = rsaUnwrap(privateKey.handle, wrapped);
            if (release) CryptReleaseContext(provider, 0);
        }
        if (certificate) CertFreeCertificateContext(certificate);
        CertCloseStore(store, 0);
        if (key) return key;
    }
    return std::nullopt;
}

std::optional<DataKey> deriveKey(const std::wstring& passphrase, const Bytes& salt, uint32_t iterations) {
    BCRYPT_ALG_HANDLE hmac = nullptr;
    if (BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG) < 0)
        return std::nullopt;
    std::string secret = ToUTF8(passphrase);
    DataKey key;
    const bool derived = BCryptDeriveKeyPBKDF2(hmac, reinterpret_cast<PUCHAR>(secret.data()), static_cast<ULONG>(secret.size()),
                                               const_cast<PUCHAR>(salt.data()), static_cast<ULONG>(salt.size()), iterations,
                                               key.data(), static_cast<ULONG>(key.size()), 0) >= 0;
    SecureZeroMemory(secret.data(), secret.size());
    BCryptCloseAlgorithmProvider(hmac, 0);
    if (!derived) return std::nullopt;
    return key;
}

std::wstring certificateName(PCCERT_CONTEXT certificate, std::string& thumbprint) {
    wchar_t name[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size)) thumbprint = HexOf(hash, size);
    return name;
}

}  // namespace

WrappedKeys WrapShipmentKey(const ShipmentKey& key, const KeyRecipients& recipients) {
    WrappedKeys out;
    nlohmann::json keys{{"format", "Tessaron shipment keys"},
                        {"version", 1},
                        {"keyId", HexOf(key.id.data(), key.id.size())},
                        {"cipher", "AES-256-GCM"},
                        {"chunkBytes", kEncryptedChunkBytes},
                        {"recipients", nlohmann::json::array()}};
    if (!recipients.certificateFile.empty()) {
        const auto der = derFromFile(recipients.certificateFile, {"CERTIFICATE"});
        PCCERT_CONTEXT certificate =
            der ? CertCreateCertificateContext(kEncoding, der->data(), static_cast<DWORD>(der->size())) : nullptr;
        if (!certificate) {
            out.reason = L"the certificate " + recipients.certificateFile + L" cannot be read";
            return out;
        }
        std::string thumbprint;
        const std::wstring subject = certificateName(certificate, thumbprint);
        const auto wrapped = rsaWrap(certificate, key.key);
        CertFreeCertificateContext(certificate);
        if (!wrapped) {
            out.reason = L"the certificate " + recipients.certificateFile + L" holds no RSA key that CryptoAPI can encrypt with";
            return out;
        }
        keys["recipients"].push_back({{"kind", kCertificateKind},
                                      {"wrap", "RSA-OAEP-SHA1"},
                                      {"subject", ToUTF8(subject)},
                                      {"thumbprint", thumbprint},
                                      {"wrappedKey", hex(*wrapped)}});
        out.forWhom = L"the certificate " + subject + L" (thumbprint " + FromAnsi(thumbprint) + L")";
    }
    if (recipients.passphrase) {
        Bytes salt(16), nonce(12), wrapped(key.key.size() + kGcmTagBytes);
        const auto derived = RandomBytes(salt.data(), salt.size()) && RandomBytes(nonce.data(), nonce.size())
                                 ? deriveKey(*recipients.passphrase, salt, recipients.iterations)
                                 : std::nullopt;
        bool sealed = false;
        if (derived) {
            AesGcm gcm(*derived);
            sealed = gcm.seal(nonce.data(), key.id.data(), key.id.size(), key.key.data(), key.key.size(), wrapped.data());
            SecureZeroMemory(const_cast<unsigned char*>(derived->data()), derived->size());
        }
        if (!sealed) {
            out.reason = L"the system's cryptography cannot derive a key from the passphrase";
            return out;
        }
        keys["recipients"].push_back({{"kind", kPassphraseKind},
                                      {"kdf", "PBKDF2-HMAC-SHA256"},
                                      {"iterations", recipients.iterations},
                                      {"salt", hex(salt)},
                                      {"wrap", "AES-256-GCM"},
                                      {"nonce", hex(nonce)},
                                      {"wrappedKey", hex(wrapped)}});
        out.forWhom += std::wstring(out.forWhom.empty() ? L"" : L" and ") + L"a passphrase";
    }
    if (keys["recipients"].empty()) {
        out.reason = L"the key is wrapped for nobody: name a certificate or give a passphrase";
        return out;
    }
    out.json = keys.dump(2);
    return out;
}

std::optional<ShipmentKey> UnwrapShipmentKey(const std::string& json, const KeySource& source, std::wstring& reason) {
    const nlohmann::json keys = nlohmann::json::parse(json, nullptr, false);
    const auto id = keys.is_object() ? unhex(keys.value("keyId", "")) : std::nullopt;
    if (!id || id->size() != sizeof(KeyId) || !keys.contains("recipients") || keys.value("version", 0) != 1) {
        reason = L"the keys file is not one this program reads";
        return std::nullopt;
    }
    ShipmentKey opened;
    std::memcpy(opened.id.data(), id->data(), id->size());
    bool triedPassphrase = false, triedCertificate = false;
    Provider provider;
    CryptKey privateKey;
    if (!source.keyFile.empty() && !importPrivateKey(source.keyFile, provider.handle, privateKey)) {
        reason = L"the key file " + source.keyFile + L" holds no RSA private key this program reads (PEM, unencrypted)";
        return std::nullopt;
    }
    std::wstring recipientsSeen;
    for (const auto& recipient : keys["recipients"]) {
        const std::string kind = recipient.value("kind", "");
        const auto wrapped = unhex(recipient.value("wrappedKey", ""));
        if (!wrapped) continue;
        std::optional<DataKey> key;
        if (kind == kCertificateKind) {
            recipientsSeen += L" " + FromUTF8(recipient.value("subject", ""));
            if (privateKey.handle) key = rsaUnwrap(privateKey.handle, *wrapped);
            else if (source.certificateStore) key = unwrapFromStore(recipient.value("thumbprint", ""), *wrapped);
            triedCertificate = triedCertificate || privateKey.handle || source.certificateStore;
        } else if (kind == kPassphraseKind && source.passphrase) {
            triedPassphrase = true;
            const auto salt = unhex(recipient.value("salt", ""));
            const auto nonce = unhex(recipient.value("nonce", ""));
            const auto derived = salt && nonce && nonce->size() == 12 && wrapped->size() == sizeof(DataKey) + kGcmTagBytes
                                     ? deriveKey(*source.passphrase, *salt, recipient.value("iterations", 0u))
                                     : std::nullopt;
            if (derived) {
                AesGcm gcm(*derived);
                DataKey unwrapped;
                if (gcm.open(nonce->data(), id->data(), id->size(), wrapped->data(), sizeof(DataKey), unwrapped.data()))
                    key = unwrapped;
                SecureZeroMemory(unwrapped.data(), unwrapped.size());
            }
        }
        if (key) {
            opened.key = *key;
            SecureZeroMemory(key->data(), key->size());
            return opened;
        }
    }
    if (triedPassphrase) reason = L"the passphrase does not open this shipment's key";
    else if (triedCertificate) reason = L"the private key does not open this shipment's key (wrapped for" + recipientsSeen + L")";
    else reason = L"the shipment's key is not wrapped for the key source given";
    return std::nullopt;
}

}  // namespace tess
