// resume: the run a journal in VXCOMMON says was stopped (the program killed, the machine
// restarted), finished unattended as the main window's Yes finishes it, or discarded.
#include <windows.h>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/RunSteps.h"
#include "common/Files.h"
#include "exchange/ExchangeMessages.h"
#include "sql/SqlMessages.h"
#include "transfer/Resume.h"
#include "ui/RunView.h"
#include "ui/Shipping.h"

namespace tess::cli {

int FinishStoppedRun(const ResumeOptions& options) {
    const std::wstring path = RunJournalPath();
    const auto journal = FileExists(path) ? ReadJournal(path) : std::nullopt;
    if (!journal || FilesToFinish(*journal) == 0) {
        DeleteFileIfExists(path, true);  // torn, or nothing left in it: of no use to a later start either
        SayText(L"No stopped data transfer to finish.");
        return kExitNothingFound;
    }
    if (options.discard) {
        DeleteFileIfExists(path, true);
        SayText(L"The stopped data transfer to " + journal->destination +
                L" was discarded; the next data transfer starts again from the beginning.");
        return kExitShipped;
    }
    SayText(L"Finishing the data transfer to " + journal->destination + L" that was stopped before it ended.");
    ResumeWork work = PrepareResume(*journal, path);
    ReportResumeTo(work, RunReportPath());
    for (const auto& line : work.notShipped) SayText(line);

    TransferOptions run;
    run.destination = journal->destination;
    run.noVerify = !journal->verify;
    run.reportFile = options.reportFile;
    run.json = options.json;
    for (const auto& item : journal->items)
        if (!item.files.empty() && run.temporary.empty()) run.temporary = ParentFolder(item.files.front().source);
    RunFacts facts{L"resume", {}, run.temporary, run.destination, journal->verify, UtcNow(), 0, {}, {}};
    const Outcome outcome = RunOnConsole(std::move(work.plan), run);
    const bool exchange = journal->kind == L"Exchange";
    SayRunStopped(outcome, exchange ? exchange::RunCancelledText : sql::RunCancelledText);
    SayFailedFiles(outcome, exchange ? exchange::ShippingFailedText : sql::ShippingFailedText);
    return EndRun(facts, outcome, run, !work.notShipped.empty());
}

int Resume(const ResumeOptions& options) {
    UniqueHandle instance;
    if (const int code = TakeInstance(instance)) return code;
    return FinishStoppedRun(options);
}

}  // namespace tess::cli
