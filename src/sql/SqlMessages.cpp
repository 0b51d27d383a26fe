#include "sql/SqlMessages.h"

#include "common/Units.h"

namespace tess::sql {

std::wstring ListTimeoutText(uint64_t limitMs) {
    return L"Unable to retrieve the list of databases from the MS SQL Server within " + DurationText(limitMs) +
           L".\r\nVerify if it is running, then try again.";
}

std::wstring ListToolFailedText() {
    return L"Unable to retrieve the list of databases from the MS SQL Server. Some of the components may be "
           L"missing. Please Re-install the application.";
}

std::wstring ListCancelledText() { return L"The retrieval of the list of databases was cancelled."; }

std::wstring BackupTimeoutText(const std::wstring& database, uint64_t limitMs) {
    return L"The backup of database '" + database + L"' did not finish within " + DurationText(limitMs) +
           L" and was stopped. The other databases were transferred.";
}

std::wstring RunCancelledText() {
    return L"The MS SQL Server data transfer was cancelled. Nothing more was shipped.";
}

std::wstring BackupNotStartedText(const std::vector<std::wstring>& databases) {
    std::wstring text = L"Unable to start the backup of the following database(s); they were not transferred:\r\n";
    for (const auto& database : databases) text += database + L"\r\n";
    return text;
}

std::wstring ShippingFailedText(const std::wstring& files) {
    return L"Unable to ship the following file(s) to the destination:\r\n" + files;
}

}  // namespace tess::sql
