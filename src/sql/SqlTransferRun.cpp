#include "sql/SqlTransferRun.h"

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "sql/SqlBackup.h"
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlSettings.h"
#include "transfer/BlockCopy.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"
#include "ui/Shipping.h"

namespace tess::sql {
namespace {

bool samePlace(const std::wstring& a, const std::wstring& b) {
    return EqualsNoCase(WithoutTrailingBackslash(a), WithoutTrailingBackslash(b));
}

// The two folders of the run, trimmed, and the warnings the end of the run shows.
struct Run {
    const RunInput& input;
    RunView& view;
    RunReport& report;
    std::wstring temporary;
    std::wstring destination;
    std::wstring timeouts;
};

void endWithMessage(Run& run, int code) {
    run.report.messageCode = code;
    ShowMessage({GetMessageText(code)});
}

bool inputsUsable(Run& run) {
    if (run.temporary.empty() || run.destination.empty()) {
        endWithMessage(run, 184);
        run.view.focusTemporaryBrowse();
        return false;
    }
    if (samePlace(run.temporary, run.destination)) {
        endWithMessage(run, 572);
        return false;
    }
    return true;
}

// The temporary folder is remembered for this server; what an earlier run left is removed, from
// the dump folder and from the list of files to ship (an earlier run's dumps in another
// temporary folder are not this run's).
void prepareFolders(const Run& run) {
    TransferFileList().clear();
    Trf_WriteUserProfile(L"SQLTEMP" + ServerKeySuffix(run.input.serverName), run.temporary);
    if (!FolderExists(run.temporary)) Trf_CreateLocalDir(run.temporary);
    const std::wstring dumpFolder = DumpFolderFor(run.temporary);
    DeleteFileIfExists(CommonDataFile(L"VXWLogFile.txt"), true);
    if (PathExists(dumpFolder) && !DeleteFolderTree(dumpFolder))
        WriteTrace(L"Error in CmdNext of frmSQLDataList, Reason : the dump folder " + dumpFolder + L" could not be cleared");
    DeleteFileIfExists(RunReportPath(), true);
}

void backUpEach(Run& run) {
    BackupContext context;
    context.serverName = run.input.serverName;
    context.temporaryPath = run.temporary;
    context.cancelWindow = run.view.window();
    for (const auto& database : run.input.databases) {
        if (WaitForBackupToolToEnd(context) == BackupOutcome::kCancelled) {
            run.report.cancelled = true;
            return;
        }
        run.view.setProgressText(
            L"Data transfer of database '" + ShortDatabaseCaption(database) + L"' is in progress ...", true);
        PumpPaintMessages(run.view.window());
        const BackupOutcome outcome = BackupToDisk(database, context);
        if (outcome == BackupOutcome::kNotStarted) run.report.notStarted.push_back(database);
        else ++run.report.started;
        if (outcome == BackupOutcome::kTimedOut) {
            const uint64_t limit = context.timeoutMs ? context.timeoutMs : BackupWaitLimitMs();
            run.timeouts += BackupTimeoutText(database, limit) + L"\r\n";
        }
        if (outcome == BackupOutcome::kCancelled || PumpPaintMessages(run.view.window())) {
            run.report.cancelled = true;
            return;
        }
    }
}

// The program log becomes the start of the run report.
void gatherLogs() {
    const std::wstring programLog = CommonDataFile(L"VXWLogFile.txt");
    std::string text;
    if (auto bytes = ReadFileBytes(programLog); bytes && !bytes->empty()) {
        text = GatherLogText(*bytes);
        DeleteFileIfExists(programLog, true);
    }
    EnsureCommonDataFolder();
    WriteFileBytes(RunReportPath(), text);
}

// Every dump of the transfer file list that exists, to the destination under its own name.
std::vector<ShipItem> gatherFiles(const std::wstring& destination) {
    std::vector<ShipItem> items;
    for (const auto& path : TransferFileList()) {
        if (!FileExists(path)) continue;
        const std::wstring file = AfterLast(path, L"\\");
        items.push_back(ShipItem{path, JoinPath(destination, file), DatabaseOfDumpFile(file)});
    }
    return items;
}

ShipReportLines reportLines(const std::wstring& destination) {
    ShipReportLines lines;
    lines.reportFile = RunReportPath();
    lines.started = [destination](const ShipItem& f) {
        return L"Started shipping database '" + f.name + L"' to " + destination;
    };
    lines.completed = [destination](const ShipItem& f) {
        return L"Completed shipping database '" + f.name + L"' to " + destination;
    };
    lines.failed = [destination](const ShipItem& f, const std::wstring& reason) {
        return L"Failed shipping database '" + f.name + L"' to " + destination + L": " + reason;
    };
    return lines;
}

// False when the destination cannot take the dumps (the run then ends with its message).
bool roomOnDestination(Run& run, uint64_t bytes) {
    const int message = CheckDestinationForRun(run.destination, bytes);
    if (message) endWithMessage(run, message);
    return message == 0;
}

// The dumps to the destination, after the room check; `failedFiles` gets the names that could
// not be shipped, one a line. False when the run ended at the room check.
bool ship(Run& run, std::wstring& failedFiles) {
    RunView& view = run.view;
    view.setProgressText(L"", false);
    PumpPaintMessages(view.window());
    ShipRequest request;
    request.items = gatherFiles(run.destination);
    view.setProgressBarVisible(true);
    view.setProgress(0);
    view.setProgressText(L"", true);
    if (!roomOnDestination(run, ShipTotalBytes(request.items))) return false;

    request.report = reportLines(run.destination);
    request.cancelWindow = view.window();
    request.onProgress = [&view](double percent) { view.setProgress(percent); };
    const std::wstring caption = L"Shipping  SQL Server data to '" + ShortDestinationCaption(run.destination) + L"'";
    request.onFileStart = [&view, caption](const ShipItem&) { view.setProgressText(caption, true); };
    request.onFigures = [&view](const std::wstring& text) { view.setProgressFigures(text); };
    request.manifestFolder = run.destination;
    const ShipOutcome outcome = ShipFiles(request);
    run.report.shipped = outcome.shipped;
    run.report.failedCopies = outcome.failed;
    run.report.cancelled = outcome.cancelled;
    for (const auto& file : outcome.files)
        if (file.result != kCopyDone && file.result != kCopyCancelled) failedFiles += AfterLast(file.item.target, L"\\") + L"\r\n";
    return true;
}

// What went wrong on the way, then the offer to read the run report.
void reportEnd(Run& run, const std::wstring& failedFiles) {
    ClearLogs();
    run.view.setProgressText(L"", false);
    if (run.report.cancelled) ShowMessage({RunCancelledText(), kIconWarning});
    if (!run.report.notStarted.empty()) ShowMessage({BackupNotStartedText(run.report.notStarted), kIconError});
    if (!run.timeouts.empty()) ShowMessage({run.timeouts, kIconWarning});
    if (!failedFiles.empty()) ShowMessage({ShippingFailedText(failedFiles), kIconError});
    run.report.askedToView = true;
    OfferRunReport(570);
}

void runSteps(Run& run) {
    prepareFolders(run);
    backUpEach(run);
    gatherLogs();
    if (run.report.cancelled) {
        WriteLogTo(L"The data transfer was cancelled by the user.", RunReportPath());
        ShowMessage({RunCancelledText(), kIconWarning});
        return;
    }
    if (run.input.databases.empty()) {
        endWithMessage(run, 568);
        return;
    }
    std::wstring failedFiles;
    // With no backup started there is nothing of this run to ship: only the report remains.
    if (run.report.started > 0 && !ship(run, failedFiles)) return;
    reportEnd(run, failedFiles);
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


RunReport CmdNext(const RunInput& input, RunView& view) {
    TraceScope scope(L"CmdNext");
    RunReport report;
    Run run{input, view, report, Trim(input.temporaryPath), Trim(input.destination), {}};
    if (!inputsUsable(run)) return report;

    view.setRunning(true);
    PumpPaintMessages();
    ResetWaitCancel();
    BusyCursor busy;
    try {
        runSteps(run);
    } catch (const std::exception& e) {
        WriteTrace(L"Error in CmdNext of frmSQLDataList " + FromAnsi(e.what()));
    }
    reset(view);
    return report;
}

}  // namespace tess::sql
