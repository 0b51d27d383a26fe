#pragma once
// The SQL Server transfer's decisions as values in, values out: which instances to offer, whether
// a server name is local, the database-list tool's argument, the list file, the selected total,
// the backup tool's command line and the dump folder. No windows and no files here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/CommandLine.h"

namespace tess::sql {

// ---- Login -------------------------------------------------------------------------------

// One entry per installed instance, in the registry's order: the default instance is the
// computer name alone, a named one computer + "\" + name.
std::vector<std::wstring> InstanceEntries(const std::wstring& computerName, const std::vector<std::wstring>& names);

// 0 when the server may be used, else the catalog code to show: 196 when the computer name does
// not occur in it (case-sensitive), 197 when the part before its first "\" names another computer.
int LocalServerCheck(const std::wstring& server, const std::wstring& computerName);

// Trimmed; empty or "local" in any case becomes "(local)".
std::wstring NormaliseServerName(const std::wstring& server);

enum class AuthMode { kSqlServer = 1, kWindows = 2 };
// Windows authentication unless both a user and a password were given.
AuthMode ChooseAuthMode(const std::wstring& user, const std::wstring& password);

// The database-list tool's single argument: mode digit, then server<<user<<password.
std::wstring DbListToolArgument(AuthMode mode, const std::wstring& server, const std::wstring& user,
                                const std::wstring& password);
// The same with the password replaced by asterisks, for the trace.
std::wstring MaskedDbListToolArgument(AuthMode mode, const std::wstring& server, const std::wstring& user,
                                      const std::wstring& password);

// Whether a failed retrieval shows its reason: always for SQL Server authentication (even an
// empty one), only a non-blank reason for Windows authentication.
bool ShowsFailureReason(AuthMode mode, const std::wstring& reason);

// ---- Database list ---------------------------------------------------------------------------

struct DatabaseRow {
    std::wstring name;
    std::optional<uint64_t> sizeBytes;  // none when the size line was empty
    bool checked = false;               // rows with a size start checked
};

// SQLSrvdbList.txt: name and size-in-kilobytes lines in pairs by line number; empty lines are
// skipped without shifting the pairing; a blank size line is 1 KB; tempdb is left out.
std::vector<DatabaseRow> ParseDatabaseList(std::wstring_view text);

// Selected total in megabytes; nullopt when no row is checked (the window then shows 179).
std::optional<double> SelectedMegabytes(const std::vector<DatabaseRow>& rows);
// "1536.50 MB".
std::wstring FormatTotal(double megabytes);

// ---- Backup run ---------------------------------------------------------------------------

// The folder the backup tool dumps into for a temporary path: a drive root gets OSTROVASQLTEMP
// below it; a path whose last element is already OSTROVASQLTEMP is used as it is; anything else
// gets \OSTROVASQLTEMP appended.
std::wstring DumpFolderFor(const std::wstring& temporaryPath);

// "[" + name + "].dmp"
std::wstring DumpFileName(const std::wstring& database);
// The database name shipped in a dump file name: without its extension and without any [ or ].
std::wstring DatabaseOfDumpFile(const std::wstring& fileName);

// The row text as the progress label shows it: longer than 45 characters gives 35 + "...".
std::wstring ShortDatabaseCaption(const std::wstring& name);
// The destination as messages show it: longer than 15 characters gives 15 + "...".
std::wstring ShortDestinationCaption(const std::wstring& destination);

struct BackupToolInput {
    std::wstring server;              // as set at login; "##" stands for "\"
    std::wstring database;
    std::wstring user;                // the SqlUN setting, may be empty
    std::wstring password;            // the SqlPS setting, may be empty
    std::wstring dumpFolderShort;     // short path of the dump folder
    std::wstring commonFolderShort;   // short path of VXCOMMON
    std::wstring programFolderShort;  // short path of the program folder
};

struct BackupToolCommand {
    std::wstring toolPath;   // the executable, unquoted (what the shell is given)
    CommandLine parameters;  // items 1 to 14
    CommandLine line;        // the one-line form: quoted tool, then 1 and items 2 to 14; forLog() for the trace
};
BackupToolCommand BuildBackupToolCommand(const BackupToolInput& input);

extern const wchar_t kBackupToolName[];  // ostrova_sqlbackup_tessaron.exe
extern const wchar_t kListToolName[];    // vxsqldblist_tessaron.exe
extern const wchar_t kPasswordMask[];    // ********

// Log text gathered into Log_trace.txt: the program log without "scheduled", plus CR LF; empty
// for an empty log.
std::string GatherLogText(std::string_view programLog);

}  // namespace tess::sql
