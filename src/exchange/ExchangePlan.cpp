#include "exchange/ExchangePlan.h"

#include <windows.h>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "exchange/ExchangeLogic.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveHold.h"
#include "transfer/DriveSteps.h"
#include "transfer/Journal.h"
#include "ui/Shipping.h"

namespace tess::exchange {
namespace {

constexpr wchar_t kSetFolder[] = L"OstrovaExchBackupset";

// Step 10: the helper's set log becomes the run report; returns its error lines' texts.
std::vector<std::wstring> writeRunReport() {
    std::string text;
    if (auto bytes = ReadFileBytes(SetLogPath())) text = RewriteSetLog(*bytes);
    DeleteFileIfExists(SetLogPath(), true);
    EnsureCommonDataFolder();
    WriteFileBytes(RunReportPath(), text);
    std::vector<std::wstring> errors;
    // "Error       : <time stamp> : <text>"
    const std::wstring level = FormatLogLine(kLogError, L"", L"").substr(0, 14);
    for (const auto& line : SplitLines(FromAnsi(text))) {
        const size_t at = line.rfind(level, 0) == 0 ? line.find(L" : ", level.size()) : std::wstring::npos;
        if (at != std::wstring::npos) errors.push_back(line.substr(at + 3));
    }
    return errors;
}

// The helper's backup as the item's dump step; its files are the set it left, listed after it
// ended (no link followed).
class HelperDumpStep : public DumpStep {
public:
    HelperDumpStep(const ExchangeRunArgs& args, RunScope scope, std::shared_ptr<SetRecords> records)
        : args_(args), scope_(scope), records_(std::move(records)) {
        args_.view = nullptr;  // the window is not the dump stage's
    }

    DumpResult run(StepContext& step) override {
        DumpResult dump;
        ExchangeRunResult& result = *records_->result;
        const HelperOutcome outcome = RunHelperBackup(args_, step.cancel, step.timeoutMs, result, step.dumpWritten);
        records_->helperNotStarted = outcome == HelperOutcome::kNotStarted;
        if (outcome == HelperOutcome::kCancelled || step.cancel.cancelled()) {
            result.cancelled = true;
            dump.status = StepStatus::kCancelled;
            return dump;
        }
        if (outcome == HelperOutcome::kTimedOut) {
            dump.status = StepStatus::kTimedOut;
            dump.reason = L"the Exchange helper did not finish within its time limit";
            return dump;
        }
        dump.status = StepStatus::kDone;
        if (scope_ == RunScope::kLocalBackup) return dump;
        records_->helperErrors = writeRunReport();
        for (const auto& line : records_->earlyReportLines) AppendAnsiLine(RunReportPath(), line);
        records_->reportStarted = true;
        // Only a set this run's helper wrote is shipped: whatever else lies in the folder is an
        // earlier run's.
        if (!result.backupRan || result.failed) {
            dump.status = StepStatus::kFailed;
            dump.reason = L"the Exchange helper made no backup set";
            return dump;
        }
        const std::wstring destination = WithTrailingBackslash(Trim(args_.destination));
        records_->listing = FindFilesAPI(WithTrailingBackslash(Trim(args_.temporaryPath)) + kSetFolder, L"*.*");
        records_->listed = true;
        for (const auto& file : records_->listing.files)
            dump.files.push_back({file, destination + ShippedPart(file), FileSize(file).value_or(0)});
        return dump;
    }

private:
    ExchangeRunArgs args_;
    RunScope scope_;
    std::shared_ptr<SetRecords> records_;
};

// The copy, with the set's folders (the empty ones too) made below the destination before
// its first file; that is after the room check, so a run that cannot finish leaves nothing there.
class SetCopier : public FileCopier {
public:
    SetCopier(std::wstring destination, std::shared_ptr<SetRecords> records, std::shared_ptr<FileCopier> copier)
        : destination_(std::move(destination)), records_(std::move(records)),
          copier_(copier ? std::move(copier) : std::make_shared<BlockFileCopier>()) {}

    CopyResult copy(const PlanFile& file, StepContext& context) override {
        if (!foldersMade_) CreateSetFolders(records_->listing, destination_);
        foldersMade_ = true;
        return copier_->copy(file, context);
    }

private:
    std::wstring destination_;
    std::shared_ptr<SetRecords> records_;
    std::shared_ptr<FileCopier> copier_;
    bool foldersMade_ = false;
};

}  // namespace

int CheckTransferFolders(const std::wstring& temporary, const std::wstring& destination) {
    if (!temporary.empty() && EqualsNoCase(WithTrailingBackslash(temporary), WithTrailingBackslash(destination)))
        return 571;
    if (temporary.empty() || destination.empty()) return 573;
    return 0;
}

Plan BuildRunPlan(const ExchangeRunArgs& args, RunScope scope, const std::shared_ptr<SetRecords>& records,
                  std::shared_ptr<FileCopier> copier) {
    Plan plan;
    const std::wstring destination = Trim(args.destination);
    plan.items.push_back({L"VXExchangeServerBkset", std::make_shared<HelperDumpStep>(args, scope, records), {}, 0});
    plan.destination = destination;
    plan.options.dumpTimeoutMs = HelperLimitMs(args);
    if (scope == RunScope::kLocalBackup) return plan;
    plan.manifestFolder = destination;
    plan.options.verify = ShippingVerificationOn();
    plan.options.keepDumps = KeepTemporaryDumpsOn();
    ReadDriveWaitSettings(plan.options);
    plan.journal = std::make_shared<Journal>(RunJournalPath(), L"Exchange");
    plan.copier = std::make_shared<SetCopier>(destination, records, std::move(copier));
    plan.verifier = std::make_shared<ReadBackVerifier>();
    const auto name = [](const PlanFile& file) { return AfterLast(file.source, L"\\"); };
    plan.wording.started = [name](const PlanItem&, const PlanFile& file) {
        return L"Started Shipping database file " + name(file) + L" to " + file.target;
    };
    plan.wording.completed = [name](const PlanItem&, const PlanFile& file) {
        return L"Completed Shipping database file  " + name(file) + L" to " + file.target;
    };
    plan.wording.failed = [name](const PlanItem&, const PlanFile& file, const std::wstring&) {
        return L"Failed Shipping database file " + name(file) + L" to " + file.target;
    };
    plan.checkRoom = [destination](uint64_t bytes) { return CheckDestinationRoom(destination, bytes); };
    plan.writeReport = [records](const std::wstring& text) {
        if (records->reportStarted)
            AppendAnsiLine(RunReportPath(), text);
        else
            records->earlyReportLines.push_back(text);
    };
    return plan;
}

void RemoveEmptiedSetFolders(const SetRecords& records, const std::wstring& temporary) {
    const auto& folders = records.listing.folders;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) RemoveDirectoryW(folder->c_str());
    RemoveDirectoryW((WithTrailingBackslash(temporary) + kSetFolder).c_str());
}


}  // namespace tess::exchange
