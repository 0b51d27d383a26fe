// "Transfer data" of the Exchange wizard: the checks, then one item of the transfer engine whose
// dump step is the helper's local backup (ExchangeBackup.cpp) and whose files are the set it
// left, copied and read back by the engine's stages; the end of the run on the window's thread;
// and the temporary folder's Browse button.
#include "exchange/ExchangeRun.h"

#include <atomic>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeMessages.h"
#include "exchange/ExchangePlan.h"
#include "exchange/ExchangeRunSteps.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"
#include "ui/BrowseDialog.h"
#include "ui/MessageBox.h"
#include "ui/Shipping.h"
#include "ui/Taskbar.h"
#include "ui/WindowSink.h"
#include "ui/WizardEncryption.h"

namespace tess::exchange {
namespace {

int say(int code) {
    ShowMessage({GetMessageText(code)});
    return code;
}

// One run: started from the wizard's handler, it goes on on the engine's threads while the
// window's own loop runs, and ends on the window's thread when the engine's end event arrives.
class RunningExchange : public ExchangeRun {
public:
    RunningExchange(const ExchangeRunArgs& args, RunScope scope, std::function<void(const ExchangeRunResult&)> ended)
        : args_(args),
          scope_(scope),
          view_(*args.view),
          sink_([this](const Event& event) { apply(event); }),
          ended_(std::move(ended)) {
        records_->result = &result_;
    }

    void start() {
        const std::wstring temporary = Trim(args_.temporaryPath), destination = Trim(args_.destination);
        std::optional<ShipmentEncryption> encryption;
        if (scope_ == RunScope::kTransfer) {
            if (const int code = CheckTransferFolders(temporary, destination)) {
                result_.messageCode = say(code);
                return finish();
            }
            if (args_.encrypt && !(encryption = PrepareWizardEncryption(view_.window(), destination))) return finish();
            DeleteFileIfExists(RunReportPath(), true);
        } else if (temporary.empty()) {
            result_.messageCode = say(19);
            view_.focusTemporaryBrowse();
            return finish();
        }
        view_.setRunning(true);
        running_ = true;
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        if ((result_.messageCode = PrepareHelperBackup(args_)) != 0) return finish();
        try {
            Plan plan = BuildRunPlan(args_, scope_, records_, encryption ? encryption->copier() : nullptr);
            if (encryption) TargetEncryptedShipment(plan, *encryption);
            transfer_ = std::make_unique<Transfer>(std::move(plan), sink_);
            if (scope_ == RunScope::kTransfer) SetTransferInProgress(true);
            taskbar_.emplace(view_.window());
            view_.setRunCancel([this] { cancel(); });
            transfer_->start();
        } catch (const std::exception& e) {
            TraceError(L"CmdNext", L", Reason : " + FromAnsi(e.what()));
            finish();
        }
    }
    void cancel() override {
        if (transfer_) transfer_->cancel();
    }
    bool ended() const override { return done_; }

private:
    void apply(const Event& event) {
        if (taskbar_) taskbar_->follow(event);
        switch (event.kind) {
            case EventKind::kDumpEnded:
                view_.setDumpProgress(std::nullopt, {});
                break;
            case EventKind::kFileStarted:
                if (shipping_) break;
                shipping_ = true;
                view_.setProgressBarVisible(true);
                view_.setProgress(0);
                view_.setProgressText(L"Shipping data to '" + DisplayDestination(Trim(args_.destination)) + L"'", true);
                break;
            case EventKind::kEnded:
                view_.setRunCancel(nullptr);
                if (taskbar_) taskbar_->ended(*event.outcome);
                try {
                    endOfRun(*event.outcome);
                } catch (const std::exception& e) {
                    TraceError(L"CmdNext", L", Reason : " + FromAnsi(e.what()));
                }
                finish();
                break;
            default:
                ShowShippingEvent(view_, event, percent_);
                break;
        }
    }

    // The messages at the end of the run, from its outcome and what the helper's run left.
    void endOfRun(const Outcome& outcome) {
        SetTransferInProgress(false);
        view_.setProgressText(L"", false);
        result_.shipped = outcome.count(FileState::kVerified) + outcome.count(FileState::kShipped);
        result_.failedCopies = outcome.count(FileState::kFailed);
        if (outcome.end == RunEnd::kCancelled) result_.cancelled = true;
        if (records_->listed && !KeepTemporaryDumpsOn()) RemoveEmptiedSetFolders(*records_, Trim(args_.temporaryPath));
        if (records_->helperNotStarted)
            ShowMessage({HelperNotStartedText(HelperFor(args_.exchVersion).executable), kIconError});
        const std::optional<StepStatus> dump = outcome.items.empty() ? std::nullopt : outcome.items[0].dump;
        if (dump == StepStatus::kTimedOut) {
            ShowMessage({BackupTimeoutText(HelperLimitMs(args_)), kIconWarning});
            return;
        }
        if (dump != StepStatus::kDone && dump != StepStatus::kFailed) {  // cancelled while the helper ran
            ShowMessage({RunCancelledText(), kIconWarning});
            return;
        }
        if (scope_ == RunScope::kLocalBackup) return;
        if (outcome.end == RunEnd::kNoRoom || outcome.end == RunEnd::kUnreachable) {
            result_.messageCode = say(outcome.end == RunEnd::kNoRoom ? 574 : 15);
            return;
        }
        if (result_.cancelled) {
            ShowMessage({RunCancelledText(), kIconWarning});
        } else if (const std::wstring names = FailedFileNames(outcome); !names.empty()) {
            ShowMessage({ShippingFailedText(names), kIconWarning});
        }
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        result_.askedToView = true;
        OfferRunReport(569);
    }

    // Step 14: every run that got past the checks ends here.
    void finish() {
        taskbar_.reset();
        if (running_) {
            if (scope_ == RunScope::kTransfer) {
                SetTransferInProgress(false);
                Totals().onProgress = nullptr;
            }
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            view_.setRunning(false);
            view_.setProgressText(L"", false);
            view_.setProgressBarVisible(false);
            if (scope_ == RunScope::kTransfer && transfer_) ClearLogs();
        }
        done_ = true;
        if (ended_) ended_(result_);
    }

    ExchangeRunArgs args_;
    RunScope scope_;
    ExchangeRunView& view_;
    ExchangeRunResult result_;
    std::shared_ptr<SetRecords> records_ = std::make_shared<SetRecords>();
    WindowSink sink_;
    std::unique_ptr<Transfer> transfer_;  // before the sink goes: its stages stop first
    std::function<void(const ExchangeRunResult&)> ended_;
    std::optional<RunTaskbar> taskbar_;   // from the engine's start to the run's end
    bool running_ = false;
    bool shipping_ = false;
    bool done_ = false;
    double percent_ = 0;
};

// Serves the thread's messages until the run ended; Esc on the view's window cancels it.
ExchangeRunResult waitForRun(const ExchangeRunArgs& args, RunScope scope) {
    ExchangeRunResult result;
    const auto run = StartRun(args, scope, [&result](const ExchangeRunResult& ended) { result = ended; });
    ServeUntil([&] { return run->ended(); }, args.view->window(), [&] { run->cancel(); });
    return result;
}

}  // namespace

std::unique_ptr<ExchangeRun> StartRun(const ExchangeRunArgs& args, RunScope scope,
                                      std::function<void(const ExchangeRunResult&)> ended) {
    TraceScope trace(L"CmdNext");
    auto run = std::make_unique<RunningExchange>(args, scope, std::move(ended));
    run->start();
    return run;
}

ExchangeRunResult CmdNext(const ExchangeRunArgs& args) { return waitForRun(args, RunScope::kTransfer); }

bool DoExchangeBackup(const ExchangeRunArgs& args, ExchangeRunResult* out) {
    const ExchangeRunResult result = waitForRun(args, RunScope::kLocalBackup);
    if (out) *out = result;
    return result.messageCode != 19 && result.messageCode != 20;
}

std::optional<std::wstring> btnBrowse_Click(HWND owner) {
    for (;;) {
        BrowsePurpose purpose;
        purpose.exchangeTemp = true;
        std::wstring folder = Trim(ShowLocalFileBrowse(owner, purpose));
        if (folder.empty()) return std::nullopt;
        const std::wstring root = DriveRootOf(folder);
        if (!IsDriveReady(root)) {
            say(15);
            continue;
        }
        if (GetDriveTypeW(root.c_str()) == DRIVE_REMOTE) {
            say(16);
            continue;
        }
        folder = WithTrailingBackslash(folder);
        if (FolderExists(folder)) {
            const DWORD error = TrialWrite(folder);
            if (error != 0) {
                TraceError(L" btnBrowse_Click", L" , Reason : " + std::to_wstring(error) + L"  " + ErrorDescription(error));
                say(error == ERROR_PATH_NOT_FOUND ? 18 : 17);
                continue;
            }
        }
        return folder;
    }
}

}  // namespace tess::exchange
