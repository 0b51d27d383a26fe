#pragma once
// The console program's encrypted shipments: the key made and wrapped before a transfer, the
// plan's files turned into `.tenc` targets, and the decrypt command that reads a drive back.
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/RunReport.h"
#include "transfer/EncryptedShipping.h"
#include "transfer/Plan.h"

namespace tess::cli {

// A passphrase from the environment, never echoed; none (with the reason said) when it is not there.
std::optional<std::wstring> SecretFromEnvironment(const std::wstring& name);

// With --encrypt: a fresh key wrapped for the certificate and the passphrase, and the keys file
// written on the drive. None with `exitCode` 0 when encryption is off; none with the exit code
// (and the message said) when the key cannot be wrapped for anybody.
std::optional<ShipmentEncryption> PrepareEncryption(const EncryptOptions& options, const std::wstring& destination,
                                                    int& exitCode);

// The plan's files shipped as `.tenc`; the report and the console say how, and for whom.
void ShipEncrypted(Plan& plan, const ShipmentEncryption& encryption, RunFacts& facts, bool json);

}  // namespace tess::cli
