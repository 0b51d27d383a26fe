#include "sql/SqlBackup.h"

#include <tlhelp32.h>

#include <algorithm>
#include <functional>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "sql/SqlLogic.h"
#include "sql/SqlSettings.h"

namespace tess::sql {
namespace {

// The wait holds the tool's process handle and wakes when it ends, looking again every 50 ms for a
// tool it has no handle of, so the wait costs almost no processor time; the process list, which
// is expensive to take, is only read to find the tool (again).
constexpr DWORD kToolPollMs = 50;
constexpr int kListEveryPolls = 4;
// After the tool's process is gone its dump is complete; this bounds the wait for a file system
// (a network share, a virus scanner) that still holds the file open.
constexpr DWORD kDumpSettleMs = 2000;

// The dump is there and nobody writes it any more.
bool dumpClosed(const std::wstring& path) {
    UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return f.valid();
}

// A running process whose executable is `name` (compared without case), opened for waiting.
UniqueHandle openRunningProcess(const wchar_t* name) {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (EqualsNoCase(AfterLast(AfterLast(entry.szExeFile, L"\\"), L"/"), name)) {
            UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
            if (process) return process;
        }
    }
    return {};
}

// Waits until `done` says so, waking when `wake` (when given) is signalled and looking again every
// `pollMs`; bounded by `timeoutMs` (kNoTimeLimit: none) and ended by the run's cancel.
WaitResult waitUntil(const CancelToken* cancel, uint64_t timeoutMs, DWORD pollMs, const std::function<bool()>& done,
                     const std::function<HANDLE()>& wake = nullptr) {
    const ULONGLONG start = GetTickCount64();
    static const CancelToken kNever;
    const CancelToken& token = cancel ? *cancel : kNever;
    for (;;) {
        if (token.cancelled()) return WaitResult::kCancelled;
        if (done()) return WaitResult::kSignalled;
        const uint64_t spent = GetTickCount64() - start;
        if (timeoutMs != kNoTimeLimit && spent >= timeoutMs) return WaitResult::kTimedOut;
        const uint64_t left = timeoutMs == kNoTimeLimit ? pollMs : std::min<uint64_t>(pollMs, timeoutMs - spent);
        if (token.wait(wake ? wake() : nullptr, left) == WaitResult::kCancelled) return WaitResult::kCancelled;
    }
}

// The dump as far as its tool has written it: under its own name, or under a temporary name
// beside it (a tool that renames its dump once whole); the largest of them.
uint64_t dumpWrittenSoFar(const std::wstring& dumpPath) {
    const std::wstring folder = dumpPath.substr(0, dumpPath.find_last_of(L'\\') + 1);
    uint64_t bytes = 0;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((dumpPath + L"*").c_str(), &found));
    for (bool more = find.valid(); more; more = FindNextFileW(find.get(), &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLinkAttributes(found.dwFileAttributes))
            bytes = std::max(bytes, GrowingFileSize(folder + found.cFileName).value_or(0));
    return bytes;
}

void recreateEmpty(const std::wstring& path) {
    DeleteFileIfExists(path, true);
    WriteFileBytes(path, {});
}

// The elevated start reports through these two files; each start gets them empty.
void prepareStatusFiles(bool elevated) {
    EnsureCommonDataFolder();
    if (!elevated) return;
    recreateEmpty(CommonDataFile(L"SqlLaunchStatus.txt"));
    recreateEmpty(CommonDataFile(L"SqlLaunchCmd.txt"));
}

BackupToolInput toolInput(const std::wstring& database, const std::wstring& dumpFolder, const BackupContext& context) {
    const std::wstring suffix = ServerKeySuffix(context.serverName);
    BackupToolInput input;
    input.server = context.serverName;
    input.database = database;
    input.user = context.user ? *context.user : Trf_ReadUserProfile(L"SqlUN" + suffix);
    input.password = context.password ? *context.password : Trf_ReadUserProfile(L"SqlPS" + suffix);
    input.dumpFolderShort = ShortPath(dumpFolder);
    input.commonFolderShort = ShortPath(CommonDataFolder());
    input.programFolderShort = ShortPath(ProgramFolder());
    return input;
}

// A refused elevation prompt or a missing tool: the reason goes to the log, which the run report
// carries, and the run names the database at its end.
bool startTool(const BackupToolCommand& command, bool elevated, const std::wstring& database) {
    const bool started = elevated
                             ? RunElevated(command.toolPath, L"", ProgramFolder(), command.parameters.str()) == 0
                             : RunHidden(command.line.str(), ProgramFolder());
    if (started) return true;
    const std::wstring reason = ErrorDescription(GetLastError());
    WriteTrace(L"Error in BackupToDisk Reason:the backup tool could not be started: " + reason);
    WriteLog(L"Error while local backup of database '" + database + L"': the backup tool could not be started (" +
                 Trim(reason) + L").",
             kLogError);
    return false;
}

// After the tool ended: the dump is listed for shipping whatever happened; whether it is there
// decides the outcome, and the tool's own reason is logged when it gave one.
BackupOutcome checkDump(const std::wstring& database, const std::wstring& dumpFolder, const std::wstring& dumpPath,
                        const std::wstring& errorFile) {
    TransferFileList().push_back(dumpPath);
    WriteTrace(L"Path of the SQL dmp file : " + dumpPath);
    if (FileExists(dumpPath)) {
        WriteTrace(L"Successfully completed the backup of database '" + database + L"' to '" + dumpFolder + L"' ");
        WriteLog(L"Successfully completed the  data transfer of database '" + database + L"' to '" + dumpFolder + L"' ",
                 kLogInformation);
        return BackupOutcome::kDumped;
    }
    if (!FileExists(errorFile)) {
        WriteLog(L"Error while local backup of database '" + database + L"': the backup tool wrote no dump.", kLogError);
        return BackupOutcome::kFailed;
    }
    WriteTrace(L"Error while local backup database file.");
    WriteLog(L"Error while local backup of database.", kLogInformation);
    const std::wstring reason = ReadAnsiText(errorFile);
    if (!reason.empty()) {
        WriteTrace(reason);
        WriteLog(reason, kLogError);
    }
    return BackupOutcome::kFailed;
}

}  // namespace

std::wstring SavedTemporaryRoot(const std::wstring& serverName) {
    std::wstring root = Trf_ReadUserProfile(L"SQLTEMP" + ServerKeySuffix(serverName));
    if (IsBlank(root)) root = Trf_ReadUserProfile(L"SQLTEMP");
    if (IsBlank(root)) root = ProgramFolder();
    return root;
}

BackupOutcome WaitForBackupToolToEnd(const BackupContext& context, const std::function<void()>& meanwhile) {
    const uint64_t limitMs = context.timeoutMs ? context.timeoutMs : BackupWaitLimitMs();
    UniqueHandle tool;
    int polls = 0;
    const WaitResult outcome = waitUntil(
        context.cancel, limitMs, kToolPollMs,
        [&] {
            if (meanwhile) meanwhile();
            if (tool) {
                if (WaitForSingleObject(tool.get(), 0) != WAIT_OBJECT_0) return false;
                tool.reset();
                polls = 0;  // it ended: is another copy running?
            }
            if (polls++ % kListEveryPolls != 0) return false;
            tool = openRunningProcess(kBackupToolName);
            // A copy that cannot be opened is still waited for, by name.
            return !tool && !FindProcess(kBackupToolName, false, 6);
        },
        [&] { return tool.get(); });
    if (outcome == WaitResult::kSignalled) return BackupOutcome::kDumped;
    // A tool left running would go on writing a dump that nobody ships, and block the next start:
    // it is ended, and its end waited for (a while at most) on its own handle.
    for (int tries = 0; tries < 40 && FindProcess(kBackupToolName, true, 6); ++tries) {
        UniqueHandle ending = openRunningProcess(kBackupToolName);
        if (!ending) break;
        WaitForSingleObject(ending.get(), kToolPollMs);
    }
    return outcome == WaitResult::kCancelled ? BackupOutcome::kCancelled : BackupOutcome::kTimedOut;
}

BackupOutcome BackupToDisk(const std::wstring& database, const BackupContext& context, std::wstring* dumpPathOut) {
    TraceScope scope(L"BackupToDisk");
    const std::wstring errorFile = CommonDataFile(L"SQLErrorBackupFile.txt");
    DeleteFileIfExists(errorFile, true);
    const bool elevated = OSMajorVersion() >= 6;
    prepareStatusFiles(elevated);

    const std::wstring dumpFolder = DumpFolderFor(
        IsBlank(context.temporaryPath) ? SavedTemporaryRoot(context.serverName) : context.temporaryPath);
    if (!FolderExists(dumpFolder)) Trf_CreateLocalDir(dumpFolder);
    const BackupToolInput input = toolInput(database, dumpFolder, context);
    const BackupToolCommand command = BuildBackupToolCommand(input);
    WriteTrace(L"SQL Cmdline : " + command.line.forLog());
    WriteLog(L"Started data transfer of database '" + database + L"' to '" + dumpFolder + L"' ", kLogInformation);
    if (!startTool(command, elevated, database)) return BackupOutcome::kNotStarted;

    const std::wstring dumpPath = input.dumpFolderShort + L"\\" + DumpFileName(database);
    if (dumpPathOut) *dumpPathOut = dumpPath;
    uint64_t lookedMs = 0;
    const BackupOutcome waited = WaitForBackupToolToEnd(context, [&] {
        const uint64_t now = GetTickCount64();
        if (!context.dumpWritten || (lookedMs && now - lookedMs < kDumpWatchMs)) return;
        lookedMs = now;
        context.dumpWritten(dumpWrittenSoFar(dumpPath));
    });
    if (waited != BackupOutcome::kDumped) {
        // The tool was ended half-way: its dump is not whole and must not be shipped.
        DeleteFileIfExists(dumpPath, true);
        const std::wstring why = waited == BackupOutcome::kCancelled ? L"cancelled by the user"
                                                                     : L"did not finish within the time limit";
        WriteTrace(L"Error in BackupToDisk Reason:the backup of database '" + database + L"' " + why);
        WriteLog(L"Error while local backup of database '" + database + L"': " + why + L".", kLogError);
        return waited;
    }
    (void)waitUntil(context.cancel, kDumpSettleMs, kToolPollMs, [&] { return dumpClosed(dumpPath) || FileExists(errorFile); });
    return checkDump(database, dumpFolder, dumpPath, errorFile);
}

}  // namespace tess::sql
