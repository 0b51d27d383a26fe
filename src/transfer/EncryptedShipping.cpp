#include "transfer/EncryptedShipping.h"

#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "transfer/BlockCopy.h"
#include "transfer/ShipmentKeys.h"

namespace tess {

namespace {

class EncryptedTargets : public DumpStep {
public:
    explicit EncryptedTargets(std::shared_ptr<DumpStep> dump) : dump_(std::move(dump)) {}
    DumpResult run(StepContext& context) override {
        DumpResult result = dump_->run(context);
        for (auto& file : result.files) file.target += kEncryptedSuffix;
        return result;
    }

private:
    std::shared_ptr<DumpStep> dump_;
};

}  // namespace

CopyResult EncryptingCopier::copy(const PlanFile& file, StepContext& context) {
    const EncryptResult encrypted = EncryptFileTo(file.source, file.target, *key_, &context.cancel, context.addBytes);
    CopyResult result;
    result.bytes = encrypted.bytes;
    result.sha256 = encrypted.sha256;
    result.reason = encrypted.reason;
    result.status = encrypted.done        ? StepStatus::kDone
                    : encrypted.cancelled ? StepStatus::kCancelled
                    : encrypted.noRoom    ? StepStatus::kNoRoom
                                          : StepStatus::kFailed;
    return result;
}

void TargetEncryptedFiles(Plan& plan) {
    for (auto& item : plan.items) {
        for (auto& file : item.files) file.target += kEncryptedSuffix;
        if (item.dump) item.dump = std::make_shared<EncryptedTargets>(std::move(item.dump));
    }
}

bool WriteKeysFile(const std::wstring& folder, const std::string& json) {
    return ReplaceFileContents(WithTrailingBackslash(folder) + kKeysFileName, json);
}

std::wstring EncryptionReportLine(const ShipmentKey& key, const std::wstring& forWhom) {
    return L"The shipment is encrypted (AES-256-GCM, key id " + FromAnsi(HexOf(key.id.data(), key.id.size())) +
           L"); its key is wrapped for " + forWhom + L" in " + kKeysFileName;
}

PreparedEncryption PrepareShipmentEncryption(const KeyRecipients& recipients, const std::wstring& destination) {
    PreparedEncryption prepared;
    auto key = ShipmentKey::Generate();
    if (!key) {
        prepared.failure = L"The system's random number generator failed; nothing was shipped.";
        return prepared;
    }
    const WrappedKeys wrapped = WrapShipmentKey(*key, recipients);
    if (wrapped.json.empty()) {
        prepared.failure = L"The shipment's key cannot be wrapped: " + wrapped.reason + L".";
        return prepared;
    }
    if (!WriteKeysFile(destination, wrapped.json)) {
        prepared.failure = L"The keys file cannot be written in " + destination + L".";
        prepared.keysFileFailed = true;
        return prepared;
    }
    prepared.encryption = ShipmentEncryption{std::make_shared<ShipmentKey>(*key), wrapped.forWhom};
    return prepared;
}

std::wstring TargetEncryptedShipment(Plan& plan, const ShipmentEncryption& encryption) {
    TargetEncryptedFiles(plan);
    const std::wstring line = EncryptionReportLine(*encryption.key, encryption.forWhom);
    if (plan.writeReport) plan.writeReport(line);
    return line;
}

}  // namespace tess
