#include "ui/WizardEncryption.h"

#include "common/Settings.h"
#include "common/Text.h"
#include "ui/MessageBox.h"
#include "ui/PassphraseDialog.h"

namespace tess {

bool EncryptShipmentsOn() { return Trim(Trf_ReadUserProfile(L"EncryptShipments")) == L"1"; }

std::optional<ShipmentEncryption> PrepareWizardEncryption(HWND owner, const std::wstring& destination) {
    KeyRecipients recipients;
    recipients.certificateFile = Trim(Trf_ReadUserProfile(L"EncryptionCertificate"));
    if (recipients.certificateFile.empty() && !(recipients.passphrase = AskShipmentPassphrase(owner)))
        return std::nullopt;
    PreparedEncryption prepared = PrepareShipmentEncryption(recipients, destination);
    if (recipients.passphrase) SecureZeroMemory(recipients.passphrase->data(), recipients.passphrase->size() * sizeof(wchar_t));
    if (!prepared.encryption) ShowMessage({prepared.failure, kIconError});
    return prepared.encryption;
}

}  // namespace tess
