#pragma once
// The Exchange transfer's decisions as values in, values out: the version from the installed
// files' versions, the helper and its arguments by version, the helpers' command lines, the job
// list, the set log rewritten for the run report, and the backup set inventory lookup. No
// windows and no files here.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::exchange {

// ---- Version -------------------------------------------------------------------------------

// "6.0" -> "2000", "6.5" -> "2003", "8..." -> "2007", "14..." -> "2010", "15..." -> "2013",
// anything else (empty included) -> "0". The major text is trimmed first.
std::wstring MapExchangeMajor(std::wstring_view major);

struct ExchangeVersionInfo {
    std::wstring exchVersion;  // the ExchVersion setting
    std::wstring exchSpNo;     // the ExchSPNo setting
};
// From the file version of exifs.sys (nullopt when that file is missing) or else of the esebcli2
// library (nullopt when missing, or not looked at before Windows 2000).
ExchangeVersionInfo VersionFromFileVersions(const std::optional<std::wstring>& exifsVersion,
                                            const std::optional<std::wstring>& esebcli2Version);

// The system folder + "Drivers\exifs.sys", with one "\" between them.
std::wstring ExifsPath(const std::wstring& systemFolder);

// ExchVersion as its readers see it: an integer, 0 for empty or unreadable text.
int ExchVersionNumber(std::wstring_view exchVersion);

// ---- Helpers -------------------------------------------------------------------------------

struct ExchangeHelper {
    const wchar_t* executable;        // beside the program
    const wchar_t* presenceArgument;  // IsExchange
    const wchar_t* informationArgument;
    bool doublesBackslashes;          // 2010 and 2013: information and backup lines with "\\" for "\"
};
// 2007, 2010, 2013 have their own helper; every other value the 32-bit one of 2000/2003.
const ExchangeHelper& HelperFor(int exchVersion);

// The presence or information run's line: the quoted helper path in the program folder, a blank,
// the argument; every backslash doubled in the information run's line of 2010/2013.
std::wstring QueryCommandLine(int exchVersion, const std::wstring& programFolder, bool presence);

struct BackupCommandInput {
    int exchVersion = 0;
    std::wstring programFolderShort;  // 8.3 form with a trailing "\"
    std::wstring programFolderLong;   // without a trailing "\"
    std::wstring workFolder;          // 8.3 form with a trailing "\"
};
// The backup run's line: 2000-2007 "...exe" 1<work folder>; 2010/2013 the job list and the output
// folder quoted, then every backslash of the line doubled (the line ends in
// OstrovaExchBackupset\\").
std::wstring BackupCommandLine(const BackupCommandInput& input);
// The folder a 2010/2013 helper writes into (work folder + "OstrovaExchBackupset\").
std::wstring BackupOutputFolder(const std::wstring& workFolder);

// ---- Job list ------------------------------------------------------------------------------

// ";" before every selection entry.
std::wstring SelectionText(const std::vector<std::wstring>& selection);
// TmpExchangeBackupSet.txt's lines: 2000-2007 the typed items of the set record (trimmed, empty
// ones left out); 2010/2013 one line, the selection text with code 8 for ";".
std::vector<std::wstring> JobListLines(int exchVersion, const std::vector<std::wstring>& typedItems,
                                       const std::wstring& selectionText);

// ---- Shipping ------------------------------------------------------------------------------

// The set log rewritten for Log_trace.txt: "scheduled" removed, "backup"/"Backup" become
// "data transfer", a line equal to the one kept before it dropped; CR LF after every line.
std::string RewriteSetLog(std::string_view setLog);

// The destination as the status line shows it: 26 characters or more give 25 + "...".
std::wstring DisplayDestination(const std::wstring& destination);

// The part of a path from its first "OstrovaExchBackupset" on (case ignored); empty when absent.
std::wstring ShippedPart(const std::wstring& path);

// ---- Backup set inventory (ExchBackupINI.ini) ----------------------------------------------

// Reads one value (section, key); empty when missing.
using IniReader = std::function<std::wstring(const std::wstring& section, const std::wstring& key)>;
// groupOnly: whether some backed-up group's name equals `group` ignoring case. Otherwise whether
// a group named exactly `group` holds a database equal to `database` ignoring case.
bool BackupIniHolds(const IniReader& read, const std::wstring& group, const std::wstring& database, bool groupOnly);

}  // namespace tess::exchange
