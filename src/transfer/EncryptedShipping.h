#pragma once
// Shipping with encryption on: each file goes to the drive as `<target>.tenc`, encrypted on the
// way by the copy stage, so the manifest, the read-back and the report all see the file the drive
// holds. The engine itself does not change: the plan's copier and its files' targets do.
#include <memory>
#include <optional>
#include <string>

#include "transfer/Encryption.h"
#include "transfer/Plan.h"
#include "transfer/ShipmentKeys.h"

namespace tess {

class EncryptingCopier : public FileCopier {
public:
    explicit EncryptingCopier(std::shared_ptr<const ShipmentKey> key) : key_(std::move(key)) {}
    CopyResult copy(const PlanFile& file, StepContext& context) override;

private:
    std::shared_ptr<const ShipmentKey> key_;
};

// Every file of the plan targeted at `<target>.tenc`: those listed in it and those its dump steps
// yield.
void TargetEncryptedFiles(Plan& plan);

// Writes the keys file into `folder` (under a temporary name, renamed when whole); false when it
// could not be written.
bool WriteKeysFile(const std::wstring& folder, const std::string& json);

// The run report's line about the encryption.
std::wstring EncryptionReportLine(const ShipmentKey& key, const std::wstring& forWhom);

// A shipment's key once it is wrapped and its keys file is on the drive.
struct ShipmentEncryption {
    std::shared_ptr<const ShipmentKey> key;
    std::wstring forWhom;
    std::shared_ptr<FileCopier> copier() const { return std::make_shared<EncryptingCopier>(key); }
};

struct PreparedEncryption {
    std::optional<ShipmentEncryption> encryption;
    std::wstring failure;        // why not, as a sentence for the user
    bool keysFileFailed = false;  // the key was wrapped but the drive did not take the keys file
};

// A fresh key wrapped for `recipients`, its keys file written into `destination`. The caller
// wipes the passphrase it passed.
PreparedEncryption PrepareShipmentEncryption(const KeyRecipients& recipients, const std::wstring& destination);

// The plan's files shipped as `.tenc` through the encrypting copier the caller put in place; the
// report's line written and returned.
std::wstring TargetEncryptedShipment(Plan& plan, const ShipmentEncryption& encryption);

}  // namespace tess
