#pragma once
// One database's local backup: the backup tool is started for it and waited for (bounded and
// cancellable), and its dump is added to the transfer file list.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <functional>
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
    // The dump's size so far, told every kDumpWatchMs while the tool writes it.
    std::function<void(uint64_t bytes)> dumpWritten;
};

enum class BackupOutcome { kDumped, kFailed, kNotStarted, kTimedOut, kCancelled };

// `dumpPath` (when given) gets the path of the dump the tool was asked to write.
BackupOutcome BackupToDisk(const std::wstring& database, const BackupContext& context, std::wstring* dumpPath = nullptr);

// The temporary root the backup uses when the window gives none: "SQLTEMP" + server, then
// "SQLTEMP", then the program folder.
std::wstring SavedTemporaryRoot(const std::wstring& serverName);

// How often the growing dump is looked at: a bar needs no more, and the look opens the file.
constexpr uint64_t kDumpWatchMs = 500;

// Waits (bounded, cancellable) until no backup tool runs; ends a tool that outlives the limit.
// `meanwhile` is called at each turn of the wait (every 50 ms at most).
BackupOutcome WaitForBackupToolToEnd(const BackupContext& context, const std::function<void()>& meanwhile = nullptr);

}  // namespace tess::sql
