#include "sql/SqlTransferRun.h"

#include <memory>

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
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"
#include "ui/MessageBox.h"
#include "ui/Taskbar.h"
#include "ui/Shipping.h"
#include "ui/WindowSink.h"

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
    EnsureCommonDataFolder();
}

// What the dumps of a run came to, for the messages at its end. Written by the dump stage only;
// read on the window's thread after the run's end event.
struct DumpRecords {
    int started = 0;
    std::vector<std::wstring> notStarted;
    std::wstring timeouts;
};

// The program log's lines of one dump (what this step and the backup tool wrote), for the
// database's part of the run report.
std::wstring takeProgramLog() {
    const std::wstring programLog = CommonDataFile(L"VXWLogFile.txt");
    auto bytes = ReadFileBytes(programLog);
    if (!bytes || bytes->empty()) return {};
    DeleteFileIfExists(programLog, true);
    std::wstring text = FromAnsi(GatherLogText(*bytes));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

// The tool is handed the dump folder's short form; the report names the dump as the user knows it.
std::wstring longPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > buffer.size()) {
        buffer.resize(n);
        n = GetLongPathNameW(path.c_str(), buffer.data(), n);
    }
    if (n == 0 || n > buffer.size()) return path;
    buffer.resize(n);
    return buffer;
}

// One database's dump by the backup tool: one tool at a time (a tool still running from before
// is waited for first), bounded by SQLBackupWaitSeconds, and ended when the run is cancelled.
class SqlDumpStep : public DumpStep {
public:
    SqlDumpStep(std::wstring database, const Run& run, std::shared_ptr<DumpRecords> records)
        : database_(std::move(database)),
          server_(run.input.serverName),
          temporary_(run.temporary),
          destination_(run.destination),
          records_(std::move(records)) {}

    DumpResult run(StepContext& step) override {
        BackupContext context;
        context.serverName = server_;
        context.temporaryPath = temporary_;
        context.cancel = &step.cancel;
        context.timeoutMs = step.timeoutMs == kNoTimeLimit ? 0 : step.timeoutMs;
        context.dumpWritten = step.dumpWritten;
        DumpResult result;
        if (WaitForBackupToolToEnd(context) == BackupOutcome::kCancelled) {
            result.status = StepStatus::kCancelled;
            return result;
        }
        std::wstring dumpPath;
        const BackupOutcome outcome = BackupToDisk(database_, context, &dumpPath);
        const std::wstring log = takeProgramLog();
        if (!log.empty() && step.reportText) step.reportText(log);
        if (outcome == BackupOutcome::kNotStarted) records_->notStarted.push_back(database_);
        else ++records_->started;
        switch (outcome) {
            case BackupOutcome::kDumped: {
                result.status = StepStatus::kDone;
                const std::wstring source = longPath(dumpPath);
                const std::wstring file = AfterLast(source, L"\\");
                result.files.push_back({source, JoinPath(destination_, file), FileSize(source).value_or(0)});
                return result;
            }
            case BackupOutcome::kTimedOut:
                records_->timeouts +=
                    BackupTimeoutText(database_, context.timeoutMs ? context.timeoutMs : BackupWaitLimitMs()) + L"\r\n";
                result.status = StepStatus::kTimedOut;
                return result;
            case BackupOutcome::kCancelled:
                result.status = StepStatus::kCancelled;
                return result;
            case BackupOutcome::kNotStarted:
                result.reason = L"the backup tool could not be started";
                break;
            case BackupOutcome::kFailed:
                result.reason = L"the backup tool wrote no dump";
                break;
        }
        result.status = StepStatus::kFailed;
        return result;
    }

private:
    std::wstring database_, server_, temporary_, destination_;
    std::shared_ptr<DumpRecords> records_;
};

// The whole run as the engine's plan: each database dumped, then shipped while the next one
// dumps.
Plan runPlan(const Run& run, const std::shared_ptr<DumpRecords>& records) {
    Plan plan;
    // The room check before the first copy counts the sizes the list tool gave for the dumps
    // still to come.
    const auto& databases = run.input.databases;
    for (size_t k = 0; k < databases.size(); ++k)
        plan.items.push_back({databases[k], std::make_shared<SqlDumpStep>(databases[k], run, records), {},
                              k < run.input.databaseBytes.size() ? run.input.databaseBytes[k] : 0});
    plan.destination = run.destination;
    plan.manifestFolder = run.destination;
    plan.options.verify = ShippingVerificationOn();
    plan.options.keepDumps = KeepTemporaryDumpsOn();
    plan.options.dumpTimeoutMs = BackupWaitLimitMs();
    plan.copier = std::make_shared<BlockFileCopier>();
    plan.verifier = std::make_shared<ReadBackVerifier>();
    const std::wstring destination = run.destination;
    plan.wording.started = [destination](const PlanItem& item, const PlanFile&) {
        return L"Started shipping database '" + item.name + L"' to " + destination;
    };
    plan.wording.completed = [destination](const PlanItem& item, const PlanFile&) {
        return L"Completed shipping database '" + item.name + L"' to " + destination;
    };
    plan.wording.failed = [destination](const PlanItem& item, const PlanFile&, const std::wstring& reason) {
        return L"Failed shipping database '" + item.name + L"' to " + destination + L": " + reason;
    };
    plan.checkRoom = [destination](uint64_t bytes) { return CheckDestinationRoom(destination, bytes); };
    plan.writeReport = [](const std::wstring& text) { AppendAnsiLine(RunReportPath(), text); };
    return plan;
}

// The window follows the run: the status line names the database being dumped, the bar and the
// figures beside it show the shipping.
class RunDisplay {
public:
    RunDisplay(RunView& view, const std::wstring& destination)
        : view_(view), caption_(L"Shipping  SQL Server data to '" + ShortDestinationCaption(destination) + L"'") {}

    void apply(const Event& event) {
        switch (event.kind) {
            case EventKind::kDumpStarted:
                dumping_ = true;
                view_.setProgressText(
                    L"Data transfer of database '" + ShortDatabaseCaption(event.name) + L"' is in progress ...", true);
                break;
            case EventKind::kDumpEnded:
                dumping_ = false;
                view_.setDumpProgress(std::nullopt, {});
                if (shipping_) view_.setProgressText(caption_, true);
                break;
            case EventKind::kFileStarted:
                if (!shipping_) {
                    view_.setProgressBarVisible(true);
                    view_.setProgress(0);
                }
                shipping_ = true;
                if (!dumping_) view_.setProgressText(caption_, true);
                break;
            case EventKind::kEnded:
                outcome_ = event.outcome;
                break;
            default:
                ShowShippingEvent(view_, event, percent_);
                break;
        }
    }
    const std::shared_ptr<const Outcome>& outcome() const { return outcome_; }

private:
    RunView& view_;
    std::wstring caption_;
    bool dumping_ = false;
    bool shipping_ = false;
    double percent_ = 0;
    std::shared_ptr<const Outcome> outcome_;
};

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

// Every run ends here, whatever happened before.
void reset(RunView& view) {
    SetTransferInProgress(false);
    view.setProgressBarVisible(false);
    view.setRunning(false);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    view.setProgressText(L"", false);
}

// One run: started from the window's handler, it goes on on the engine's threads while the
// window's own loop runs, and ends on the window's thread when the engine's end event arrives.
class RunningSql : public SqlRun {
public:
    RunningSql(const RunInput& input, RunView& view, std::function<void(const RunReport&)> ended)
        : input_(input),
          run_{input_, view, report_, Trim(input.temporaryPath), Trim(input.destination), {}},
          display_(view, run_.destination),
          sink_([this](const Event& event) { apply(event); }),
          ended_(std::move(ended)) {}

    void start() {
        if (!inputsUsable(run_)) return finish(false);
        run_.view.setRunning(true);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        try {
            prepareFolders(run_);
            if (run_.input.databases.empty()) {
                endWithMessage(run_, 568);
                return finish(true);
            }
            transfer_ = std::make_unique<Transfer>(runPlan(run_, records_), sink_);
            SetTransferInProgress(true);
            taskbar_.emplace(run_.view.window());
            run_.view.setRunCancel([this] { cancel(); });
            transfer_->start();
        } catch (const std::exception& e) {
            WriteTrace(L"Error in CmdNext of frmSQLDataList " + FromAnsi(e.what()));
            finish(true);
        }
    }
    void cancel() override {
        if (transfer_) transfer_->cancel();
    }
    bool ended() const override { return done_; }

private:
    void apply(const Event& event) {
        display_.apply(event);
        if (taskbar_) taskbar_->follow(event);
        if (event.kind != EventKind::kEnded) return;
        run_.view.setRunCancel(nullptr);
        if (taskbar_) taskbar_->ended(*event.outcome);
        try {
            endOfRun(*event.outcome);
        } catch (const std::exception& e) {
            WriteTrace(L"Error in CmdNext of frmSQLDataList " + FromAnsi(e.what()));
        }
        finish(true);
    }

    // The messages at the end of the run, from its outcome.
    void endOfRun(const Outcome& outcome) {
        SetTransferInProgress(false);
        RunReport& report = run_.report;
        report.started = records_->started;
        report.notStarted = records_->notStarted;
        run_.timeouts = records_->timeouts;
        report.shipped = outcome.count(FileState::kVerified) + outcome.count(FileState::kShipped);
        report.failedCopies = outcome.count(FileState::kFailed);
        report.cancelled = outcome.end == RunEnd::kCancelled;
        if (report.cancelled) {
            ShowMessage({RunCancelledText(), kIconWarning});
        } else if (outcome.end == RunEnd::kNoRoom || outcome.end == RunEnd::kUnreachable) {
            endWithMessage(run_, outcome.end == RunEnd::kNoRoom ? 574 : 15);
        } else {
            reportEnd(run_, FailedFileNames(outcome));
        }
    }

    void finish(bool started) {
        taskbar_.reset();
        if (started) reset(run_.view);
        done_ = true;
        if (ended_) ended_(report_);
    }

    RunInput input_;
    RunReport report_;
    Run run_;
    std::shared_ptr<DumpRecords> records_ = std::make_shared<DumpRecords>();
    RunDisplay display_;
    WindowSink sink_;
    std::unique_ptr<Transfer> transfer_;  // before the sink goes: its stages stop first
    std::function<void(const RunReport&)> ended_;
    std::optional<RunTaskbar> taskbar_;   // from the engine's start to the run's end
    bool done_ = false;
};

}  // namespace


std::unique_ptr<SqlRun> StartRun(const RunInput& input, RunView& view, std::function<void(const RunReport&)> ended) {
    TraceScope scope(L"CmdNext");
    auto run = std::make_unique<RunningSql>(input, view, std::move(ended));
    run->start();
    return run;
}

RunReport CmdNext(const RunInput& input, RunView& view) {
    RunReport report;
    const auto run = StartRun(input, view, [&report](const RunReport& result) { report = result; });
    ServeUntil([&] { return run->ended(); }, view.window(), [&] { run->cancel(); });
    return report;
}

}  // namespace tess::sql
