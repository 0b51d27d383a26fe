#include "sql/SqlTransferRun.h"

#include <shellapi.h>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "sql/BlockCopy.h"
#include "sql/SqlBackup.h"
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlState.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace tess::sql {
namespace {

void openWithShell(const std::wstring& path) {
    ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

ReportOpener gOpener = openWithShell;

std::wstring withoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

bool samePlace(const std::wstring& a, const std::wstring& b) {
    return EqualsNoCase(withoutTrailingBackslash(a), withoutTrailingBackslash(b));
}

// Step 7: the program log becomes the start of the run report.
void gatherLogs() {
    const std::wstring programLog = CommonDataFile(L"VXWLogFile.txt");
    std::string text;
    if (auto bytes = ReadFileBytes(programLog); bytes && !bytes->empty()) {
        text = GatherLogText(*bytes);
        DeleteFileIfExists(programLog, true);
    }
    EnsureCommonDataFolder();
    WriteFileBytes(CommonDataFile(L"Log_trace.txt"), text);
}

// Every run ends here, whatever happened before.
void reset(RunView& view) {
    SetTransferInProgress(false);
    Totals().onProgress = nullptr;
    view.setProgressBarVisible(false);
    view.setRunning(false);
    PumpPaintMessages();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    view.setProgressText(L"", false);
}

class BusyCursor {
public:
    BusyCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }

private:
    HCURSOR previous_;
};

}  // namespace

void SetReportOpenerForTesting(ReportOpener opener) { gOpener = opener ? opener : openWithShell; }

RunReport CmdNext(const RunInput& input, RunView& view) {
    TraceScope scope(L"CmdNext");
    RunReport report;
    const std::wstring temporary = Trim(input.temporaryPath);
    const std::wstring destination = Trim(input.destination);
    if (temporary.empty() || destination.empty()) {
        report.messageCode = 184;
        ShowMessage(GetMessageText(184), kIconInformation, kButtonsOk);
        view.focusTemporaryBrowse();
        return report;
    }
    if (samePlace(temporary, destination)) {
        report.messageCode = 572;
        ShowMessage(GetMessageText(572), kIconInformation, kButtonsOk);
        return report;
    }

    view.setRunning(true);
    PumpPaintMessages();
    ResetWaitCancel();
    BusyCursor busy;
    const std::wstring logTrace = CommonDataFile(L"Log_trace.txt");
    std::wstring timeouts;
    try {
        Trf_WriteUserProfile(L"SQLTEMP" + ServerKeySuffix(SqlServerName()), temporary);
        if (!FolderExists(temporary)) Trf_CreateLocalDir(temporary);
        const std::wstring dumpFolder = DumpFolderFor(temporary);
        DeleteFileIfExists(CommonDataFile(L"VXWLogFile.txt"), true);
        if (FolderExists(dumpFolder)) DeleteFolderTree(dumpFolder);
        DeleteFileIfExists(logTrace, true);

        BackupContext context;
        context.temporaryPath = temporary;
        context.cancelWindow = view.window();
        for (const auto& database : input.databases) {
            if (WaitForBackupToolToEnd(context) == BackupOutcome::kCancelled) {
                report.cancelled = true;
                break;
            }
            view.setProgressText(L"Data transfer of database '" + ShortDatabaseCaption(database) + L"' is in progress ...",
                                 true);
            PumpPaintMessages(view.window());
            const BackupOutcome outcome = BackupToDisk(database, context);
            if (outcome != BackupOutcome::kNotStarted) ++report.started;
            if (outcome == BackupOutcome::kTimedOut) {
                timeouts += BackupTimeoutText(database, context.timeoutMs ? context.timeoutMs : BackupWaitLimitMs()) + L"\r\n";
            }
            if (outcome == BackupOutcome::kCancelled || PumpPaintMessages(view.window())) {
                report.cancelled = true;
                break;
            }
        }
        gatherLogs();
        if (report.cancelled) {
            WriteLogTo(L"The data transfer was cancelled by the user.", logTrace);
            ShowMessage(RunCancelledText(), kIconWarning, kButtonsOk);
            reset(view);
            return report;
        }
        if (report.started == 0) {
            report.messageCode = 568;
            ShowMessage(GetMessageText(568), kIconInformation, kButtonsOk);
            reset(view);
            return report;
        }

        view.setProgressText(L"", false);
        PumpPaintMessages(view.window());
        TransferTotals& totals = Totals();
        totals.totalBytes = 0;
        totals.shippedBytes = 0;
        std::vector<std::wstring> toShip;
        for (const auto& path : TransferFileList()) {
            if (!FileExists(path)) continue;
            toShip.push_back(path);
            totals.totalBytes += FileSize(path).value_or(0);
        }
        view.setProgressBarVisible(true);
        totals.percentShipped = 0;
        view.setProgress(0);
        totals.onProgress = [&view](double percent) { view.setProgress(percent); };
        const std::wstring shownDestination = ShortDestinationCaption(destination);
        view.setProgressText(L"", true);

        // The destination may be a folder that does not exist yet on the external drive.
        if (!FolderExists(destination)) Trf_CreateLocalDir(destination);
        if (!FolderExists(destination)) {  // an unplugged drive, a card reader without a card
            report.messageCode = 15;
            WriteLogTo(L"The destination " + destination + L" cannot be reached; nothing was shipped", logTrace);
            ShowMessage(GetMessageText(15), kIconInformation, kButtonsOk);
            reset(view);
            return report;
        }
        // Room for everything this run ships: a run that cannot finish ships nothing.
        if (DriveFreeBytes(SpaceRootOf(destination)) < totals.totalBytes) {
            report.messageCode = 574;
            WriteLogTo(L"Insufficient disk space to ship the data to " + destination, logTrace);
            ShowMessage(GetMessageText(574), kIconInformation, kButtonsOk);
            reset(view);
            return report;
        }

        SetTransferInProgress(true);
        std::wstring failedFiles;
        for (const auto& path : toShip) {
            const std::wstring file = AfterLast(path, L"\\");
            const std::wstring database = DatabaseOfDumpFile(file);
            view.setProgressText(L"Shipping  SQL Server data to '" + shownDestination + L"'", true);
            WriteLogTo(L"Started shipping database '" + database + L"' to " + destination, logTrace);
            const int copied = CopyFileBlocks(path, JoinPath(destination, file), view.window());
            if (copied == kCopyDone) {
                ++report.shipped;
                WriteLogTo(L"Completed shipping database '" + database + L"' to " + destination, logTrace);
                continue;
            }
            if (copied == kCopyCancelled) {
                report.cancelled = true;
                WriteLogTo(L"Shipping of database '" + database + L"' was cancelled by the user", logTrace);
                break;
            }
            ++report.failedCopies;
            failedFiles += file + L"\r\n";
            WriteLogTo(L"Failed shipping database '" + database + L"' to " + destination + L" (error " +
                           std::to_wstring(copied) + L")",
                       logTrace);
        }
        SetTransferInProgress(false);

        ClearLogs();
        view.setProgressText(L"", false);
        if (report.cancelled) ShowMessage(RunCancelledText(), kIconWarning, kButtonsOk);
        if (!timeouts.empty()) ShowMessage(timeouts, kIconWarning, kButtonsOk);
        if (!failedFiles.empty()) ShowMessage(ShippingFailedText(failedFiles), kIconError, kButtonsOk);
        report.askedToView = true;
        if (ShowMessage(GetMessageText(570), kIconQuestion, kButtonsYesNo) == kResultYes && FileExists(logTrace))
            gOpener(logTrace);
    } catch (const std::exception& e) {
        WriteTrace(L"Error in CmdNext of frmSQLDataList " + FromAnsi(e.what()));
    }
    reset(view);
    return report;
}

}  // namespace tess::sql
