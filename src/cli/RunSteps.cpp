#include "cli/RunSteps.h"

#include <windows.h>

#include "app/SingleInstance.h"
#include "cli/Console.h"
#include "cli/ConsoleSink.h"
#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "transfer/Transfer.h"
#include "ui/BrowseDialog.h"
#include "ui/RunView.h"

namespace tess::cli {

int TakeInstance(UniqueHandle& instance) {
    if (AcquireInstanceMutex(instance)) return 0;
    SayText(L"The wizard or another transfer is running on this computer; try again when it has ended.");
    return kExitAlreadyRunning;
}

std::optional<std::wstring> AcceptFolder(const std::wstring& folder, FolderUse use) {
    const std::wstring trimmed = Trim(folder);
    const std::wstring root = DriveRootOf(trimmed);
    if (use == FolderUse::kExchangeTemporary) {
        if (!IsDriveReady(root)) return SayMessage(15), std::nullopt;
        if (GetDriveTypeW(root.c_str()) == DRIVE_REMOTE) return SayMessage(16), std::nullopt;
    }
    const bool destination = use == FolderUse::kDestination;
    FolderChoice choice = ScreenChosenFolder(trimmed, destination, GetDriveTypeW(root.c_str()));
    if (use == FolderUse::kExchangeTemporary && choice.messageCode == 180) choice = {FolderChoice::kCheckAndAccept, 0, false, false, trimmed};
    if (choice.action != FolderChoice::kCheckAndAccept) {
        if (choice.messageCode) SayMessage(choice.messageCode);
        else SayText(L"The folder '" + trimmed + L"' cannot be used.");
        return std::nullopt;
    }
    // A scheduled run names its folders before they exist: they are made, then written to once.
    if (!FolderExists(choice.folder) && !Trf_CreateLocalDir(choice.folder)) {
        SayMessage(destination ? 183 : 18);
        return std::nullopt;
    }
    const DWORD error = TrialWrite(choice.folder);
    if (error != 0) {
        const FolderChoice judged = JudgeTrialWrite(choice.folder, error);
        if (use == FolderUse::kExchangeTemporary) SayMessage(error == ERROR_PATH_NOT_FOUND ? 18 : 17);
        else if (judged.messageCode) SayMessage(judged.messageCode);
        else SayText(L"The folder '" + choice.folder + L"' cannot be written to: " + ErrorDescription(error));
        return std::nullopt;
    }
    return choice.folder;
}

OpenedRun OpenRun(const TransferOptions& options, FolderUse temporaryUse, FolderPairCheck check) {
    OpenedRun run;
    if ((run.exitCode = TakeInstance(run.instance))) return run;
    run.exitCode = kExitUsage;
    const std::wstring temporaryText = Trim(options.temporary), destinationText = Trim(options.destination);
    if (const int code = check(temporaryText, destinationText)) {
        SayMessage(code);
        return run;
    }
    const auto temporary = AcceptFolder(temporaryText, temporaryUse);
    if (!temporary) return run;
    const auto destination = AcceptFolder(destinationText, FolderUse::kDestination);
    if (!destination) return run;
    if (const int code = check(*temporary, *destination)) {
        SayMessage(code);
        return run;
    }
    run.temporary = *temporary;
    run.destination = *destination;
    run.exitCode = 0;
    return run;
}

Outcome RunOnConsole(Plan plan, const TransferOptions& options) {
    if (options.noVerify) plan.options.verify = false;
    if (options.keepDumps) plan.options.keepDumps = true;
    ConsoleSink sink(options.json, ConsoleSink::PaceForStdout(), Out);
    Transfer transfer(std::move(plan), sink);
    OnConsoleControl([&transfer] { transfer.cancel(); });
    // A Ctrl+C before the run began (during the list or the checks) cancels it at once.
    if (CancelRequested()) transfer.cancel();
    SetTransferInProgress(true);
    Outcome outcome = transfer.run();
    OnConsoleControl(nullptr);  // the transfer goes at the end of this function
    SetTransferInProgress(false);
    return outcome;
}

void SayRunStopped(const Outcome& outcome, std::wstring (*cancelledText)()) {
    if (outcome.end == RunEnd::kCancelled) SayText(cancelledText());
    if (outcome.end == RunEnd::kNoRoom || outcome.end == RunEnd::kUnreachable)
        SayMessage(outcome.end == RunEnd::kNoRoom ? 574 : 15);
}

void SayFailedFiles(const Outcome& outcome, std::wstring (*failedText)(const std::wstring& files)) {
    if (const std::wstring failed = FailedFileNames(outcome); !failed.empty()) SayText(failedText(failed));
}

int EndRun(RunFacts facts, const Outcome& outcome, const TransferOptions& options, bool partlyFailed) {
    facts.verify = !options.noVerify;
    facts.exitCode = ExitCodeOf(outcome, facts.verify);
    if (partlyFailed && facts.exitCode == kExitShipped) facts.exitCode = kExitSomeFailed;
    const nlohmann::json report = ReportJson(facts, outcome);
    if (options.json) Out(FromUTF8(nlohmann::json{{"event", "ended"}, {"report", report}}.dump(
                          -1, ' ', false, nlohmann::json::error_handler_t::replace)));
    else
        Out(L"Shipped " + std::to_wstring(outcome.count(FileState::kVerified) + outcome.count(FileState::kShipped)) +
            L" file(s), verified " + std::to_wstring(outcome.count(FileState::kVerified)) + L", failed " +
            std::to_wstring(outcome.count(FileState::kFailed)) + L"; exit code " + std::to_wstring(facts.exitCode));
    if (!options.reportFile.empty() && !WriteReportFile(options.reportFile, report))
        SayText(L"The report file '" + options.reportFile + L"' could not be written.");
    return facts.exitCode;
}

}  // namespace tess::cli
