// decrypt: a drive's encrypted shipment restored with the key its keys file wraps for the
// service's private key or the customer's passphrase. Every file proves each chunk and its
// trailer's digest before it takes its name; a file that does not is named and left out.
#include <windows.h>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Encrypt.h"
#include "common/Files.h"
#include "common/Text.h"
#include "exchange/ExchangeRunSteps.h"
#include "transfer/Encryption.h"
#include "transfer/ShipmentKeys.h"

namespace tess::cli {

namespace {

bool endsWithNoCase(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

int Decrypt(const DecryptOptions& options) {
    const std::wstring folder = WithoutTrailingBackslash(Trim(options.folder));
    const std::wstring out = WithoutTrailingBackslash(Trim(options.out));
    const auto keys = ReadFileBytes(folder + L"\\" + kKeysFileName, 1u << 20);
    if (!keys) {
        SayText(L"The folder " + folder + L" holds no " + kKeysFileName + L": it is not an encrypted shipment.");
        return kExitNothingFound;
    }
    KeySource source;
    source.keyFile = options.keyFile;
    source.certificateStore = options.certificateStore;
    if (options.passphraseEnv && !(source.passphrase = SecretFromEnvironment(*options.passphraseEnv))) return kExitUsage;
    std::wstring reason;
    const auto key = UnwrapShipmentKey(*keys, source, reason);
    if (source.passphrase) SecureZeroMemory(source.passphrase->data(), source.passphrase->size() * sizeof(wchar_t));
    if (!key) {
        SayText(L"The shipment's key cannot be opened: " + reason + L".");
        return kExitSomeFailed;
    }
    const exchange::SetListing listing = exchange::FindFilesAPI(WithTrailingBackslash(folder), L"*.*");
    int restored = 0, refused = 0;
    for (const auto& file : listing.files) {
        if (!endsWithNoCase(file, kEncryptedSuffix)) continue;
        const std::wstring relative = file.substr(folder.size() + 1);
        const std::wstring target = out + L"\\" + relative.substr(0, relative.size() - wcslen(kEncryptedSuffix));
        Trf_CreateLocalDir(ParentFolder(target));
        const DecryptResult result = DecryptFileTo(file, target, *key);
        if (result.done) {
            ++restored;
            Out(L"Restored " + target + L" (SHA-256 " + FromAnsi(result.sha256) + L")");
        } else {
            ++refused;
            SayText(L"Refused " + file + L": " + result.reason + L"; nothing was restored from it.");
        }
    }
    if (restored + refused == 0) {
        SayText(L"The folder " + folder + L" holds no encrypted file (*.tenc).");
        return kExitNothingFound;
    }
    Out(L"Restored " + std::to_wstring(restored) + L" file(s), refused " + std::to_wstring(refused));
    return refused ? kExitSomeFailed : kExitShipped;
}

}  // namespace tess::cli
