#pragma once
// "Encrypt the data on the drive" in the SQL Server and Exchange windows: whether the box starts
// ticked, and the shipment's key made when a run starts with it ticked.
#include <windows.h>

#include <optional>
#include <string>

#include "transfer/EncryptedShipping.h"

namespace tess {

// EncryptShipments=1 in vxwin.ini.
bool EncryptShipmentsOn();

// The key wrapped for the EncryptionCertificate setting, or, with none, for a passphrase the user
// types twice; the keys file written into `destination`. None when the user cancelled the
// passphrase or the key could not be made (the reason shown): the run does not start.
std::optional<ShipmentEncryption> PrepareWizardEncryption(HWND owner, const std::wstring& destination);

}  // namespace tess
