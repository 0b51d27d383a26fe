#include "common/MessageCatalog.h"

#include <algorithm>
#include <iterator>

namespace tess {
namespace {

struct Entry {
    long code;
    const wchar_t* text;
};

// Several codes share a text on purpose: each caller asks for its own code, so the wording of
// one window can change later without touching the others.
constexpr wchar_t kNotAccessible[] = L"Folder/drive is not accessible. Verify the permissions.";
constexpr wchar_t kSqlTempInvalid[] =
    L"The folder/drive selected as the temporary path for the MS SQL Server backup is invalid. Try later.";
constexpr wchar_t kOnlyLocalInstances[] = L"Select only the MS SQL Server instances running on your local computer.";
constexpr wchar_t kExchangeNotRunning[] =
    L"Unable to retrieve the information from the MS Exchange Server.\r\nVerify if it is running.";

// Sorted by code (checked by a test), looked up by binary search.
constexpr Entry kCatalog[] = {
    {12, L"Enter your email address. "},
    {14, L"Enter your feedback/query. "},
    {15, L"The selected drive is not ready."},
    {16, L"You can not select a remote drive as the Exchange server backup destination drive."},
    {17, kNotAccessible},
    {18, kNotAccessible},
    {19, L"Select a temporary location on your computer for the Exchange Server backup. Ensure sufficient disk "
         L"space here."},
    {20, L"Select the Public Folder Store/Mailbox Store(s) to backup."},
    {21, kExchangeNotRunning},
    {23, L"Checking '"},
    {24, L"' is not allowed."},
    {58, L"You can only select folders."},
    {179, L"Select a database to backup."},
    {180, kSqlTempInvalid},
    {181, kSqlTempInvalid},
    {182, kNotAccessible},
    {183, kNotAccessible},
    {184, L"Select a location for the SQL Server data transfer. Ensure sufficient disk space at this location."},
    {196, kOnlyLocalInstances},
    {197, kOnlyLocalInstances},
    {399, L"Unable to continue with the MS Exchange Server backup operation. Ensure that MS Exchange Server 2000 "
          L"with service pack 3 or higher is installed on your computer."},
    {400, kExchangeNotRunning},
    {500, L"Enter a valid email address."},
    {568, L"Select a database for data transfer."},
    {569, L"Do you want to view the logs for the MS Exchange Server data transfer?\r\n\r\n"},
    {570, L"Do you want to view the logs for the MS SQL Server data transfer?\r\n\r\n"},
    {571, L"Exchange Server temporary location and the destination location should be different."},
    {572, L"SQL Server temporary location and the destination location should be different."},
    {573, L"Select a location for the Exchange Server data transfer. Ensure sufficient disk space at this "
          L"location."},
    {574, L"Insufficient disk space to ship the data"},
    {575, L"You are not connected to the Internet."},
    {576, L"Some of the components are missing. Please Re-install the application."},
    {577, L"Unable to continue with the SharePoint Server backup operation. Ensure that SharePoint Server is "
          L"installed on your computer."},
    {578, L"The SharePoint Server data transfer is still running. Do you want to stop it?"},
    {579, L"The data transfer is still running. Do you want to stop it?"},
    {589, L"The destination drive "},
    {590, L" is not ready. Reconnect it and choose Retry, or choose Cancel to stop the data transfer."},
    {591, L" now holds another drive than the one the data transfer was writing to; nothing is written to it. "
          L"Reconnect the drive the transfer was using and choose Retry, or choose Cancel to stop the data transfer."},
    {592, L"A data transfer to "},
    {593, L" was stopped before it ended. Do you want to finish it now?\r\n\r\nChoose No to discard it; the next "
          L"data transfer starts again from the beginning."},
    {594, L"These files of the stopped data transfer were not shipped (the run report says why):\r\n"},
};

}  // namespace

std::wstring GetMessageText(long code) {
    auto it = std::lower_bound(std::begin(kCatalog), std::end(kCatalog), code,
                               [](const Entry& e, long c) { return e.code < c; });
    if (it == std::end(kCatalog) || it->code != code) return {};
    return it->text;
}

}  // namespace tess
