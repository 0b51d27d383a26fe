#include "sql/SqlLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"

namespace tess::sql {

const wchar_t kBackupToolName[] = L"ostrova_sqlbackup_tessaron.exe";
const wchar_t kListToolName[] = L"vxsqldblist_tessaron.exe";
const wchar_t kPasswordMask[] = L"********";

namespace {

constexpr wchar_t kDumpFolderName[] = L"OSTROVASQLTEMP";

bool isLocalAlias(const std::wstring& server) {
    const std::wstring upper = ToUpper(server);
    return upper.empty() || upper == L"(LOCAL)" || upper == L"LOCAL";
}

// The user name and password are unquoted items of the backup tool's line. A value that would
// split into several arguments (or is empty) goes between quotes instead, escaped.
void addBareOrQuoted(CommandLine& line, const std::wstring& value, Secret secret) {
    if (value.empty() || value.find_first_of(L" \t\"") != std::wstring::npos)
        line.quoted(value, secret);
    else
        line.raw(value, secret);
}

// Items 2 to 14. The tool has always received two blanks before item 12 and one between items
// 12, 13 and 14. An empty password shows as the "" it is; any other is masked in the trace.
void addBackupItems(CommandLine& line, const std::wstring& server, const BackupToolInput& in) {
    line.quoted(server)
        .quoted(L"[" + in.database + L"]");
    addBareOrQuoted(line, in.user, Secret::kNo);
    addBareOrQuoted(line, in.password, in.password.empty() ? Secret::kNo : Secret::kYes);
    line.quoted(in.dumpFolderShort)
        .quoted(in.commonFolderShort)
        .raw(L"SQLBackupLog.txt")
        .raw(L"SQLErrorBackupFile.txt")
        .raw(L"sqlserverstatus.txt")
        .raw(L"SQLBackupTraceFile.txt")
        .separator(L"  ")
        .quoted(L"")
        .separator(L" ")
        .quoted(L"")
        .quoted(L"");
}

}  // namespace

std::vector<std::wstring> InstanceEntries(const std::wstring& computerName, const std::vector<std::wstring>& names) {
    std::vector<std::wstring> entries;
    entries.reserve(names.size());
    for (const auto& name : names)
        entries.push_back(ToUpper(name) == L"MSSQLSERVER" ? computerName : computerName + L"\\" + name);
    return entries;
}

int LocalServerCheck(const std::wstring& server, const std::wstring& computerName) {
    if (isLocalAlias(server)) return 0;
    if (server.find(computerName) == std::wstring::npos) return 196;
    const size_t slash = server.find(L'\\');
    if (slash != std::wstring::npos && ToUpper(server.substr(0, slash)) != ToUpper(computerName)) return 197;
    return 0;
}

std::wstring NormaliseServerName(const std::wstring& server) {
    std::wstring trimmed = Trim(server);
    if (trimmed.empty() || EqualsNoCase(trimmed, L"local")) return L"(local)";
    return trimmed;
}

AuthMode ChooseAuthMode(const std::wstring& user, const std::wstring& password) {
    return user.empty() || password.empty() ? AuthMode::kWindows : AuthMode::kSqlServer;
}

std::wstring DbListToolArgument(AuthMode mode, const std::wstring& server, const std::wstring& user,
                                const std::wstring& password) {
    // Windows authentication sends empty fields: a password typed into a box that is not used
    // has no business on a command line.
    if (mode == AuthMode::kWindows) return L"2" + server + L"<<<<";
    return L"1" + server + L"<<" + user + L"<<" + password;
}

std::wstring MaskedDbListToolArgument(AuthMode mode, const std::wstring& server, const std::wstring& user,
                                      const std::wstring& password) {
    return DbListToolArgument(mode, server, user, password.empty() ? password : kPasswordMask);
}

bool ShowsFailureReason(AuthMode mode, const std::wstring& reason) {
    return mode == AuthMode::kSqlServer || !IsBlank(reason);
}

std::vector<DatabaseRow> ParseDatabaseList(std::wstring_view text) {
    std::vector<DatabaseRow> rows;
    const std::vector<std::wstring> lines = SplitLines(text);
    // The row made from the name on the line before, while its size line may still come.
    std::optional<size_t> pendingRow;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        const bool nameLine = i % 2 == 0;
        if (line.empty()) {
            if (!nameLine) pendingRow.reset();
            continue;
        }
        if (nameLine) {
            pendingRow.reset();
            if (EqualsNoCase(Trim(line), L"tempdb")) {
                ++i;  // its size line goes with it
                continue;
            }
            rows.push_back(DatabaseRow{line, std::nullopt, false});
            pendingRow = rows.size() - 1;
            continue;
        }
        // A size belongs to the name on the line just before it; pairing follows line numbers,
        // so a size after an empty or skipped name line has no row.
        if (!pendingRow) continue;
        const std::wstring size = Trim(line);
        double kilobytes = 1;
        if (!size.empty()) {
            kilobytes = std::wcstod(size.c_str(), nullptr);
            if (!(kilobytes >= 0)) kilobytes = 0;
        }
        DatabaseRow& row = rows[*pendingRow];
        row.sizeBytes = static_cast<uint64_t>(std::llround(kilobytes * 1024.0));
        row.checked = true;
        pendingRow.reset();
    }
    return rows;
}

std::optional<double> SelectedMegabytes(const std::vector<DatabaseRow>& rows) {
    bool any = false;
    double megabytes = 0;
    for (const auto& row : rows) {
        if (!row.checked) continue;
        any = true;
        if (row.sizeBytes) megabytes += static_cast<double>(*row.sizeBytes) / 1048576.0;
    }
    if (!any) return std::nullopt;
    return megabytes;
}

std::wstring FormatTotal(double megabytes) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%.2f MB", megabytes);
    return buffer;
}

std::wstring DumpFolderFor(const std::wstring& temporaryPath) {
    const std::wstring root = Trim(temporaryPath);
    if (root.size() <= 3) return EndsWith(root, L"\\") ? root + kDumpFolderName : root + L"\\" + kDumpFolderName;
    const std::wstring folder = WithoutTrailingBackslash(root);
    if (EqualsNoCase(AfterLast(folder, L"\\"), kDumpFolderName)) return folder;
    return JoinPath(folder, kDumpFolderName);
}

std::wstring DumpFileName(const std::wstring& database) { return L"[" + database + L"].dmp"; }

std::wstring DatabaseOfDumpFile(const std::wstring& fileName) {
    std::wstring name = fileName.size() >= 4 ? fileName.substr(0, fileName.size() - 4) : std::wstring();
    // Every bracket goes, as the shipping lines of the run report have always named databases.
    name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return c == L'[' || c == L']'; }), name.end());
    return name;
}

std::wstring ShortDatabaseCaption(const std::wstring& name) {
    return name.size() > 45 ? name.substr(0, 35) + L"..." : name;
}

std::wstring ShortDestinationCaption(const std::wstring& destination) {
    return destination.size() > 15 ? destination.substr(0, 15) + L"..." : destination;
}

BackupToolCommand BuildBackupToolCommand(const BackupToolInput& in) {
    std::wstring server = ReplaceAll(in.server, L"##", L"\\");
    if (Trim(server).empty()) server = L"(local)";

    BackupToolCommand command;
    command.toolPath = JoinPath(WithoutTrailingBackslash(in.programFolderShort), kBackupToolName);
    command.parameters.quoted(L"1");
    addBackupItems(command.parameters, server, in);
    // The one-line form addresses the tool with a blank before the closing quote and the mode
    // digit glued to it, as the tool's older callers did.
    command.line.quoted(command.toolPath + L" ").glue().raw(L"1");
    addBackupItems(command.line, server, in);
    return command;
}

std::string GatherLogText(std::string_view programLog) {
    if (programLog.empty()) return {};
    std::string text;
    text.reserve(programLog.size() + 2);
    constexpr std::string_view kWord = "scheduled";
    for (size_t i = 0; i < programLog.size();) {
        if (programLog.compare(i, kWord.size(), kWord) == 0) {
            i += kWord.size();
        } else {
            text += programLog[i++];
        }
    }
    return text + "\r\n";
}

}  // namespace tess::sql
