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
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlPlan.h"
#include "sql/SqlSettings.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"
#include "ui/MessageBox.h"
#include "ui/Taskbar.h"
#include "ui/Shipping.h"
#include "ui/WindowSink.h"
#include "ui/WizardEncryption.h"

namespace tess::sql {
namespace {

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
    const int code = CheckRunFolders(run.temporary, run.destination);
    if (code == 0) return true;
    endWithMessage(run, code);
    if (code == 184) run.view.focusTemporaryBrowse();
    return false;
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
          plan_{input.serverName, run_.temporary, run_.destination, input.databases, input.databaseBytes, {}, {}},
          display_(view, run_.destination),
          sink_([this](const Event& event) { apply(event); }),
          ended_(std::move(ended)) {}

    void start() {
        if (!inputsUsable(run_)) return finish(false);
        std::optional<ShipmentEncryption> encryption;
        if (input_.encrypt && !input_.databases.empty() &&
            !(encryption = PrepareWizardEncryption(run_.view.window(), run_.destination)))
            return finish(false);
        run_.view.setRunning(true);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        try {
            PrepareRunFolders(plan_);
            if (run_.input.databases.empty()) {
                endWithMessage(run_, 568);
                return finish(true);
            }
            Plan plan = BuildRunPlan(plan_, records_);
            if (encryption) {
                plan.copier = encryption->copier();
                TargetEncryptedShipment(plan, *encryption);
            }
            transfer_ = std::make_unique<Transfer>(std::move(plan), sink_);
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
    PlanInput plan_;
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
