#pragma once
// The SQL Server steps' settings keys: the per-server suffix and the time limits.
#include <cstdint>
#include <string>

namespace tess::sql {

// The settings-key suffix of a server: its name trimmed and upper-cased ("(LOCAL)").
std::wstring ServerKeySuffix(const std::wstring& serverName);

// Time limits, read from the settings each time so that an administrator can change them
// between runs. A missing, zero or unreadable value gives the default.
//   "SQLListWaitSeconds":   the database-list tool (default 600 s)
//   "SQLBackupWaitSeconds": each database's backup (default 86400 s; a large database takes hours)
uint64_t ListWaitLimitMs();
uint64_t BackupWaitLimitMs();

extern const wchar_t kListWaitKey[];
extern const wchar_t kBackupWaitKey[];

}  // namespace tess::sql
