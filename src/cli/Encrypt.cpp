#include "cli/Encrypt.h"

#include <windows.h>

#include "cli/Console.h"
#include "common/Files.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "transfer/EncryptedShipping.h"
#include "transfer/ShipmentKeys.h"

namespace tess::cli {

std::optional<std::wstring> SecretFromEnvironment(const std::wstring& name) {
    const DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (n <= 1) {
        SayText(L"The environment variable " + name + L" holds no passphrase.");
        return std::nullopt;
    }
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), n));
    return value;
}

std::optional<ShipmentEncryption> PrepareEncryption(const EncryptOptions& options, const std::wstring& destination,
                                                    int& exitCode) {
    exitCode = 0;
    if (!options.on) return std::nullopt;
    exitCode = kExitUsage;
    KeyRecipients recipients;
    recipients.certificateFile = options.certificate.empty() ? Trim(Trf_ReadUserProfile(L"EncryptionCertificate"))
                                                             : options.certificate;
    if (options.passphraseEnv && !(recipients.passphrase = SecretFromEnvironment(*options.passphraseEnv)))
        return std::nullopt;
    if (recipients.certificateFile.empty() && !recipients.passphrase) {
        SayText(L"--encrypt needs a certificate (--certificate FILE, or EncryptionCertificate in vxwin.ini) or a "
                L"passphrase (--passphrase-env VAR).");
        return std::nullopt;
    }
    PreparedEncryption prepared = PrepareShipmentEncryption(recipients, destination);
    if (recipients.passphrase) SecureZeroMemory(recipients.passphrase->data(), recipients.passphrase->size() * sizeof(wchar_t));
    if (!prepared.encryption) {
        SayText(prepared.failure);
        if (prepared.keysFileFailed) exitCode = kExitSomeFailed;
        return std::nullopt;
    }
    exitCode = 0;
    return prepared.encryption;
}

void ShipEncrypted(Plan& plan, const ShipmentEncryption& encryption, RunFacts& facts, bool json) {
    const std::wstring line = TargetEncryptedShipment(plan, encryption);
    const ShipmentKey& key = *encryption.key;
    facts.keyId = FromAnsi(HexOf(key.id.data(), key.id.size()));
    facts.keyWrappedFor = encryption.forWhom;
    if (!json) Out(line);
}

}  // namespace tess::cli
