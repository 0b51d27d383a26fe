#pragma once
// Texts of the SQL Server steps that the message catalog does not hold: what the program says
// when a bounded wait ends without a result. Worded like the catalog's own texts.
#include <cstdint>
#include <string>
#include <vector>

namespace tess::sql {

// The database-list tool did not report within the limit (it has been ended).
std::wstring ListTimeoutText(uint64_t limitMs);
// The database-list tool could not be started, or ended without reporting.
std::wstring ListToolFailedText();
// The wait for the database list was cancelled by the user.
std::wstring ListCancelledText();
// A database's backup did not finish within the limit (the tool has been ended).
std::wstring BackupTimeoutText(const std::wstring& database, uint64_t limitMs);
// The run was cancelled by the user while a backup or a copy was going on.
std::wstring RunCancelledText();
// The backup tool could not be started for these databases (elevation refused, file missing).
std::wstring BackupNotStartedText(const std::vector<std::wstring>& databases);
// Some dumps could not be copied to the destination.
std::wstring ShippingFailedText(const std::wstring& files);

}  // namespace tess::sql
