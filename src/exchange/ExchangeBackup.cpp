// The helper's local backup: the selection recorded as the backup set (on the window's thread),
// then the job files and the helper's run into the temporary location (on the engine's dump
// stage), waited for on its process and the run's cancel within its own time limit.
#include <windows.h>

#include "common/BackupSets.h"
#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/Units.h"
#include "exchange/ExchangeDetection.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeMessages.h"
#include "exchange/ExchangeRun.h"
#include "exchange/ExchangeRunSteps.h"
#include "platform/Handle.h"
#include "ui/MessageBox.h"

namespace tess::exchange {
namespace {

constexpr wchar_t kSetName[] = L"VXExchangeServerBkset";
// How often the growing set is summed: a walk of its folder, so not too often.
constexpr uint64_t kSetWatchMs = 1000;

// The status file is written over its first bytes and never shortened: the vendor's client
// reads only its first character.
void writeBackupStatus(const char* value) {
    EnsureCommonDataFolder();
    UniqueFile file(CreateFileW(CommonDataFile(L"ExchBackupStatus.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), value, static_cast<DWORD>(strlen(value)), &written, nullptr);
}

void prepareLogs() {
    DeleteFileIfExists(CommonDataFile(L"SerTraceFile.txt"), true);
    DeleteFileIfExists(SetLogPath(), true);
    const std::wstring serviceLog = CommonDataFile(L"VXWServiceLog.txt");
    if (FileExists(serviceLog)) WriteFileBytes(serviceLog, "");
    if (!FolderExists(CommonDataFolder() + L"\\logs")) Trf_CreateLocalDir(CommonDataFolder() + L"\\logs");
}

// The work folder the helper is handed: the temporary location's short form.
std::wstring workFolderFor(const std::wstring& temporary) {
    if (Trim(Trf_ReadUserProfile(L"APIEXCHANGE")).empty())
        return WithTrailingBackslash(ShortPath(ProgramFolder())) + L"EXCHANGETEMP\\";
    if (!FolderExists(temporary)) Trf_CreateLocalDir(temporary);
    return WithTrailingBackslash(FolderExists(temporary) ? ShortPath(temporary) : temporary);
}

void writeJobList(int version, const std::wstring& selectionText) {
    for (const auto& line : JobListLines(version, CurrentBackupSetItems(), selectionText))
        AppendExchangeBackupSetText(line);
    DeleteFileIfExists(CommonDataFile(L"ExchBackupStatus.txt"), true);
    CurrentBackupSetItems().clear();
}

// Starts the helper and waits for its process to end; a helper that outlives the limit or the
// user's patience is ended, so that no late files appear in the set. Why it did not end by itself
// is told to the user at the end of the run, on the window's thread.
HelperOutcome runHelper(const ExchangeRunArgs& args, const std::wstring& workFolder, const CancelToken& cancel,
                        uint64_t limit, const std::function<void(uint64_t)>& setWritten) {
    BackupCommandInput input;
    input.exchVersion = args.exchVersion;
    input.programFolderShort = WithTrailingBackslash(ShortPath(ProgramFolder()));
    input.programFolderLong = ProgramFolder();
    input.workFolder = workFolder;
    if (HelperFor(args.exchVersion).doublesBackslashes && !FolderExists(BackupOutputFolder(workFolder)))
        Trf_CreateLocalDir(BackupOutputFolder(workFolder));
    const std::wstring line = BackupCommandLine(input);
    WriteTrace(L"DoExchangeBackup Cmdline : " + line);
    UniqueHandle process = RunHiddenProcess(line, ProgramFolder());
    if (!process) {
        WriteLog(std::wstring(L"The Exchange helper ") + HelperFor(args.exchVersion).executable + L" could not be started.",
                 kLogError);
        return HelperOutcome::kNotStarted;
    }
    // The set's bytes so far, summed over its folder (no link followed), for the bar's figures.
    std::function<void()> look;
    if (setWritten) look = [&] { setWritten(FindFilesAPI(workFolder + L"OstrovaExchBackupset", L"*.*").totalBytes); };
    const WaitResult waited = cancel.waitWatching(process.get(), limit, kSetWatchMs, look);
    if (waited == WaitResult::kSignalled) return HelperOutcome::kDone;
    EndProcess(process.get());
    const bool timedOut = waited == WaitResult::kTimedOut;
    WriteLog(timedOut ? L"The Exchange Server backup was stopped at its time limit of " + DurationText(limit) + L"."
                      : std::wstring(L"The Exchange Server backup was cancelled by the user."),
             kLogError);
    return timedOut ? HelperOutcome::kTimedOut : HelperOutcome::kCancelled;
}

// Steps 8 to 13: the helper's run and the set folder it left.
HelperOutcome backUp(const ExchangeRunArgs& args, const CancelToken& cancel, uint64_t limit, ExchangeRunResult& result,
                     const std::function<void(uint64_t)>& setWritten) {
    const std::wstring work = workFolderFor(WithTrailingBackslash(Trim(args.temporaryPath)));
    if (!CheckForWriteAccessPermission(work)) {
        WriteLog(L"Unable to continue the Exchange Server Backup operation, make sure that the folder/drive exists or "
                 L"the disk is not full or write protected.",
                 kLogInformation);
        result.failed = true;
        return HelperOutcome::kDone;
    }
    DeleteFileIfExists(CommonDataFile(L"TmpExchangeBackupSet.txt"), true);
    if (CurrentBackupSetItems().empty()) {
        WriteLog(std::wstring(L"Unable to perform the Backup operation, Reason : There are no items found in the Backup "
                              L"set : '") + kSetName + L"'. Check the contents of the Backup set.",
                 kLogInformation);
        return HelperOutcome::kDone;
    }
    // A set that an earlier run left in the same folder would otherwise ship again beside this one.
    const std::wstring setFolder = work + L"OstrovaExchBackupset";
    if (FolderExists(setFolder) && !DeleteFolderTree(setFolder)) {
        WriteLog(L"Unable to clear the Exchange Server backup set left in '" + setFolder + L"' by an earlier run.",
                 kLogError);
        result.failed = true;
        return HelperOutcome::kDone;
    }
    writeJobList(args.exchVersion, SelectionText(args.selection));
    WriteLog(L"Started Exchange Server backup to '" + work + L"'.", kLogInformation);
    WriteTrace(L"\r\nInformation   : " + CurrentTimeStamp() + L" :   Exchange Server Backup started    :***********");
    writeBackupStatus("1\r\n");
    result.backupRan = true;
    const HelperOutcome outcome = runHelper(args, work, cancel, limit, setWritten);
    result.helperTimedOut = outcome == HelperOutcome::kTimedOut;
    result.cancelled = outcome == HelperOutcome::kCancelled;
    if (outcome != HelperOutcome::kDone) result.failed = true;
    writeBackupStatus("0\r\n");
    if (result.failed) return outcome;
    if (FolderExists(setFolder)) {
        WriteTrace(L"Content of EnumBackupItemSet after the Exchange server local backup : " + setFolder);
        CurrentBackupSetItems().push_back(L"D_" + setFolder + L"\\");
    }
    WriteTrace(L"Information   : " + CurrentTimeStamp() + L" :   Exchange Server Backup End    :***********\r\n");
    return outcome;
}

}  // namespace

std::wstring SetLogPath() { return CommonDataFile(L"logs\\VXExchangeServerBkset.txt"); }

void Sch_SaveSqlServerBackupset(const std::wstring& setName, const std::wstring& selectionText) {
    try {
        LoadedBackupSets sets;
        if (!LoadAllBackupSets(sets)) return;  // saving would lose the records it could not read
        RemoveBackupSet(sets, setName);
        sets.push_back(setName + selectionText);
        SaveBackupSets(sets, L"VXCOMMON\\BacksetData.txt");
    } catch (...) {
        WriteTrace(L"Error in Sch_deleteAutoBackupset. Reason:  unexpected failure");
    }
}

uint64_t HelperLimitMs(const ExchangeRunArgs& args) { return args.helperTimeoutMs ? args.helperTimeoutMs : BackupWaitLimitMs(); }

int PrepareHelperBackup(const ExchangeRunArgs& args) {
    TraceScope trace(L"DoExchangeBackup");
    ExchangeRunView* view = args.view;  // none: the console program's run
    if (view) view->setProgressText(L"Data transfer is in progress ...", true);
    const std::wstring temporary = WithTrailingBackslash(Trim(args.temporaryPath));
    Trf_WriteUserProfile(L"APIEXCHANGE", temporary);
    if (!FolderExists(temporary)) Trf_CreateLocalDir(temporary);
    if (args.selection.empty()) {
        if (view) view->setProgressText(L"", false);
        ShowMessage({GetMessageText(20)});
        return 20;
    }
    try {
        Sch_SaveSqlServerBackupset(kSetName, SelectionText(args.selection));
        prepareLogs();
        // Both lists are process-wide: what an earlier run (SQL Server's too) left in them is not
        // this run's to ship.
        TransferFileList().clear();
        CurrentBackupSetItems().clear();
        Trf_PutTransferSetAsBackupSet(kSetName, false);
    } catch (...) {
        TraceError(L"DoExchangeBackup", L", Reason : unexpected failure");
    }
    return 0;
}

HelperOutcome RunHelperBackup(const ExchangeRunArgs& args, const CancelToken& cancel, uint64_t limitMs,
                              ExchangeRunResult& result, const std::function<void(uint64_t)>& setWritten) {
    HelperOutcome outcome = HelperOutcome::kDone;
    try {
        outcome = backUp(args, cancel, limitMs, result, setWritten);
        if (CurrentBackupSetItems().empty()) WriteLog(L"Failed to continue the Exchange Server backup.", kLogInformation);
    } catch (...) {
        TraceError(L"DoExchangeBackup", L", Reason : unexpected failure");
        result.failed = true;
    }
    return outcome;
}

}  // namespace tess::exchange
