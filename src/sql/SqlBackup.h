#pragma once
// One database's local backup: the backup tool is started for it and waited for (bounded and
// cancellable), and its dump is added to the transfer file list.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "transfer/CancelToken.h"

namespace tess::sql {

struct BackupContext {
    std::wstring serverName;      // as the login settled on it; its settings hold the credentials
    std::wstring temporaryPath;   // the window's temporary path; empty: the saved settings
    const CancelToken* cancel = nullptr;  // the run's: every wait ends when it is cancelled
    uint64_t timeoutMs = 0;               // 0: the limit from the settings
    // SQL Server authentication given for this run; none: the server's SqlUN and SqlPS settings.
    std::optional<std::wstring> user, password;
};

enum class BackupOutcome { kDumped, kFailed, kNotStarted, kTimedOut, kCancelled };

// `dumpPath` (when given) gets the path of the dump the tool was asked to write.
BackupOutcome BackupToDisk(const std::wstring& database, const BackupContext& context, std::wstring* dumpPath = nullptr);

// The temporary root the backup uses when the window gives none: "SQLTEMP" + server, then
// "SQLTEMP", then the program folder.
std::wstring SavedTemporaryRoot(const std::wstring& serverName);

// Waits (bounded, cancellable) until no backup tool runs; ends a tool that outlives the limit.
BackupOutcome WaitForBackupToolToEnd(const BackupContext& context);

}  // namespace tess::sql
