// The encrypted shipment on real files: what is encrypted comes back byte for byte, and a file
// altered on the drive in any way is refused by name, leaving nothing restored.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Text.h"
#include "transfer/StandInSteps.h"
#include "support/TestSupport.h"
#include "transfer/DriveSteps.h"
#include "transfer/EncryptedShipping.h"
#include "transfer/Manifest.h"
#include "transfer/Sha256.h"
#include "transfer/ShipmentKeys.h"
#include "transfer/Transfer.h"

namespace tess::test {
namespace {

constexpr size_t kChunk = kEncryptedChunkBytes, kSealed = kChunk + kGcmTagBytes;

std::string pattern(size_t size, uint32_t seed = 7) {
    std::string bytes(size, '\0');
    for (auto& b : bytes) b = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    return bytes;
}

std::string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.add(bytes.data(), bytes.size());
    return hash.finish();
}

ShipmentKey newKey() {
    auto key = ShipmentKey::Generate();
    EXPECT_TRUE(key);
    return key.value_or(ShipmentKey{});
}

TEST(Encryption, RoundTripsEverySizeAroundTheChunk) {
    TempDir dir;
    const ShipmentKey key = newKey();
    for (const size_t size : {size_t{0}, size_t{1}, kChunk - 1, kChunk, kChunk + 1, 2 * kChunk + kChunk / 2}) {
        SCOPED_TRACE(size);
        const std::string plain = pattern(size);
        WriteBytes(dir.file(L"db.bak"), plain);
        const EncryptResult sealed = EncryptFileTo(dir.file(L"db.bak"), dir.file(L"db.bak.tenc"), key);
        ASSERT_TRUE(sealed.done) << ToUTF8(sealed.reason);
        const std::string onDrive = ReadBytes(dir.file(L"db.bak.tenc"));
        // The digest the manifest and the read-back compare is the one of the file on the drive.
        EXPECT_EQ(sealed.sha256, sha256Of(onDrive));
        EXPECT_EQ(sealed.bytes, onDrive.size());
        EXPECT_EQ(sealed.plainSha256, sha256Of(plain));
        if (size >= 64) {
            EXPECT_EQ(onDrive.find(plain.substr(0, 64)), std::string::npos);
        }
        EXPECT_EQ(EncryptedFileKeyId(dir.file(L"db.bak.tenc")), key.id);

        const DecryptResult opened = DecryptFileTo(dir.file(L"db.bak.tenc"), dir.file(L"restored.bak"), key);
        ASSERT_TRUE(opened.done) << ToUTF8(opened.reason);
        EXPECT_EQ(ReadBytes(dir.file(L"restored.bak")), plain);
        EXPECT_EQ(opened.sha256, sealed.plainSha256);
    }
}

TEST(Encryption, RefusesEveryAlterationByNameWithNothingRestored) {
    TempDir dir;
    const ShipmentKey key = newKey();
    WriteBytes(dir.file(L"db.bak"), pattern(3 * kChunk + 100));
    ASSERT_TRUE(EncryptFileTo(dir.file(L"db.bak"), dir.file(L"db.bak.tenc"), key).done);
    const std::string good = ReadBytes(dir.file(L"db.bak.tenc"));
    const size_t chunk0 = kEncryptedHeaderBytes, chunk1 = chunk0 + kSealed, chunk2 = chunk1 + kSealed;
    ShipmentKey wrongKey = key;
    wrongKey.key[0] ^= 1;
    ShipmentKey otherId = key;
    otherId.id[0] ^= 1;

    struct Case {
        const char* name;
        std::function<std::string(std::string)> alter;
        const ShipmentKey* key;
        const char* reason;
    };
    const Case cases[] = {
        {"flipped bit", [&](std::string s) { return s.replace(chunk1 + 5000, 1, 1, static_cast<char>(s[chunk1 + 5000] ^ 0x10)); }, &key, "chunk 2 of 4 does not authenticate"},
        {"dropped chunk", [&](std::string s) { return s.erase(chunk1, kSealed); }, &key, "chunk 2 of 3 does not authenticate"},
        {"swapped chunks", [&](std::string s) { return s.substr(0, chunk1) + s.substr(chunk2, kSealed) + s.substr(chunk1, kSealed) + s.substr(chunk2 + kSealed); },
         &key, "chunk 2 of 4 does not authenticate"},
        {"trailer dropped", [&](std::string s) { return s.substr(0, s.size() - kTrailerPlainBytes - kGcmTagBytes); }, &key,
         "chunk 4 of 4 does not authenticate"},
        {"cut mid-chunk", [&](std::string s) { return s.substr(0, chunk2 + 10); }, &key, "chunk 2 of 2 does not authenticate"},
        {"cut in the header", [&](std::string s) { return s.substr(0, 80); }, &key, "it is cut short"},
        {"last data chunk dropped", [&](std::string s) { return s.erase(s.size() - 56 - 116, 116); }, &key,
         "its end does not authenticate"},
        {"header altered", [&](std::string s) { s[4] = 9; return s; }, &key, "format version 9 is not known"},
        {"not encrypted", [&](std::string) { return pattern(5000); }, &key, "not an encrypted shipment file"},
        {"wrong key", [&](std::string s) { return s; }, &wrongKey, "chunk 1 of 4 does not authenticate"},
        {"another shipment", [&](std::string s) { return s; }, &otherId, "encrypted with another key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.file(L"altered.tenc"), c.alter(good));
        WriteBytes(dir.file(L"restored.bak"), "an older restore");
        const DecryptResult opened = DecryptFileTo(dir.file(L"altered.tenc"), dir.file(L"restored.bak"), *c.key);
        EXPECT_FALSE(opened.done);
        EXPECT_NE(ToUTF8(opened.reason).find(c.reason), std::string::npos) << ToUTF8(opened.reason);
        EXPECT_FALSE(PathExists(dir.file(L"restored.bak")));
        EXPECT_FALSE(PathExists(dir.file(L"restored.bak.partial")));
    }
}

TEST(ShipmentKeys, OpenForTheServiceKeyAndThePassphraseOnly) {
    const ShipmentKey key = newKey();
    KeyRecipients recipients;
    recipients.certificateFile = TestKeyFile(L"service.cer");
    recipients.passphrase = L"correct horse \x00e9t\x00e9";
    recipients.iterations = 1000;  // the real count costs seconds per case; it is measured below
    const WrappedKeys wrapped = WrapShipmentKey(key, recipients);
    ASSERT_FALSE(wrapped.json.empty()) << ToUTF8(wrapped.reason);
    EXPECT_NE(wrapped.forWhom.find(L"Tessaron test service"), std::wstring::npos);
    EXPECT_EQ(wrapped.json.find(HexOf(key.key.data(), key.key.size())), std::string::npos);

    struct Case {
        const char* name;
        KeySource source;
        const char* refusal;  // null: opens
    };
    const Case cases[] = {
        {"PKCS#8 key file", {std::nullopt, TestKeyFile(L"service-key.pem")}, nullptr},
        {"PKCS#1 key file", {std::nullopt, TestKeyFile(L"service-key-pkcs1.pem")}, nullptr},
        {"passphrase", {recipients.passphrase, L""}, nullptr},
        {"other service's key", {std::nullopt, TestKeyFile(L"other-key.pem")}, "the private key does not open"},
        {"wrong passphrase", {std::wstring(L"correct horse"), L""}, "the passphrase does not open"},
        {"a certificate is no key file", {std::nullopt, TestKeyFile(L"service.cer")}, "holds no RSA private key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring reason;
        const auto opened = UnwrapShipmentKey(wrapped.json, c.source, reason);
        if (!c.refusal) {
            ASSERT_TRUE(opened) << ToUTF8(reason);
            EXPECT_EQ(opened->key, key.key);
            EXPECT_EQ(opened->id, key.id);
        } else {
            EXPECT_FALSE(opened);
            EXPECT_NE(ToUTF8(reason).find(c.refusal), std::string::npos) << ToUTF8(reason);
        }
    }
}

// A shipment through the engine with the real read-back: the drive holds only `.tenc` files and
// the keys file, the manifest checks them, and neither the key nor the passphrase is anywhere.
TEST(EncryptedShipping, ShipsTencFilesTheManifestAndTheReadBackProve) {
    TempDir source, drive;
    const ShipmentKey key = newKey();
    const std::string plain = pattern(kChunk + 3);
    WriteBytes(source.file(L"Sales.bak"), plain);
    Plan plan;
    plan.items.push_back({L"Sales", nullptr, {{source.file(L"Sales.bak"), drive.file(L"Sales.bak"), plain.size()}}, 0});
    plan.manifestFolder = drive.path();
    plan.copier = std::make_shared<EncryptingCopier>(std::make_shared<ShipmentKey>(key));
    plan.verifier = std::make_shared<ReadBackVerifier>();
    TargetEncryptedFiles(plan);
    KeyRecipients recipients;
    recipients.passphrase = L"only in the customer's head";
    const WrappedKeys wrapped = WrapShipmentKey(key, recipients);  // the real iteration count
    ASSERT_TRUE(WriteKeysFile(drive.path(), wrapped.json));
    Recorder sink;
    const Outcome outcome = Transfer(std::move(plan), sink).run();

    ASSERT_EQ(outcome.items.at(0).files.at(0).state, FileState::kVerified);
    const auto manifest = ParseManifest(ReadBytes(drive.file(L"Tessaron-SHA256SUMS.txt")));
    ASSERT_EQ(manifest.size(), 1u);
    EXPECT_EQ(manifest[0].path, L"Sales.bak.tenc");
    EXPECT_EQ(manifest[0].sha256, sha256Of(ReadBytes(drive.file(L"Sales.bak.tenc"))));
    EXPECT_FALSE(PathExists(drive.file(L"Sales.bak")));
    for (const auto& name : {L"Sales.bak.tenc", L"Tessaron-KEYS.json", L"Tessaron-SHA256SUMS.txt"}) {
        const std::string bytes = ReadBytes(drive.file(name));
        EXPECT_EQ(bytes.find(HexOf(key.key.data(), key.key.size())), std::string::npos);
        EXPECT_EQ(bytes.find(std::string(reinterpret_cast<const char*>(key.key.data()), key.key.size())), std::string::npos);
        EXPECT_EQ(bytes.find("only in the customer"), std::string::npos);
    }
    std::wstring reason;
    const auto opened = UnwrapShipmentKey(ReadBytes(drive.file(L"Tessaron-KEYS.json")), {recipients.passphrase, L""}, reason);
    ASSERT_TRUE(opened) << ToUTF8(reason);
    ASSERT_TRUE(DecryptFileTo(drive.file(L"Sales.bak.tenc"), source.file(L"restored.bak"), *opened).done);
    EXPECT_EQ(ReadBytes(source.file(L"restored.bak")), plain);
}

}  // namespace
}  // namespace tess::test
