#pragma once
// What each tool is asked to do, read from the argument text it was given (the command line
// without the program name). Pure: a malformed line gives a readable error instead of a request.
#include <optional>
#include <string>
#include <string_view>

namespace tess::companion {

template <typename T>
struct Parsed {
    std::optional<T> value;
    std::wstring error;  // set when value is empty
};

// vxsqldblist: one unquoted argument, the mode digit glued to server<<user<<password.
struct ListRequest {
    bool sqlAuthentication = false;  // mode 1; mode 2 is Windows authentication
    std::wstring server, user, password;
};
Parsed<ListRequest> ParseListRequest(std::wstring_view arguments);

// ostrova_sqlbackup: fourteen items; the user and password items are unquoted when not empty.
struct SqlBackupRequest {
    std::wstring server, database;  // database without its brackets
    std::wstring user, password;    // empty user: Windows authentication
    std::wstring dumpFolder, commonFolder;
    std::wstring logFile, errorFile, statusFile, traceFile;  // names inside commonFolder
};
Parsed<SqlBackupRequest> ParseSqlBackupRequest(std::wstring_view arguments);

// The Exchange helpers. 2000 to 2007: " 3", " 0" or " 1" glued to the work folder; 2010 and
// 2013: " 0" (presence as it is, information with every backslash of the line doubled) or
// " 1 "job" "output"", every backslash of the line doubled.
enum class ExchangeOperation { Information, Backup, Presence };
struct ExchangeRequest {
    ExchangeOperation operation = ExchangeOperation::Information;
    std::wstring workFolder;              // backup, 2000 to 2007
    std::wstring jobList, outputFolder;   // backup, 2010 and 2013
};
Parsed<ExchangeRequest> ParseExchangeRequest(std::wstring_view arguments, int generation);
bool HasStorageGroups(int generation);  // 2000 to 2007

// OstrovaSharepoint: one quoted argument, "DisplayTessaron/" + the job file path.
struct SharePointRequest {
    std::wstring jobFile;
};
Parsed<SharePointRequest> ParseSharePointRequest(std::wstring_view arguments);

// A password replaced by asterisks wherever it occurs in a text, for the tools' own logs.
std::wstring MaskSecret(std::wstring_view text, std::wstring_view secret);

}  // namespace tess::companion
