#pragma once
// What the SQL Server and the Exchange commands share: the single-instance rule, the folder
// rules of the wizards' browse dialog, the run of a plan on the console, and its end (the report
// file and the exit code).
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/RunReport.h"
#include "platform/Handle.h"
#include "transfer/Outcome.h"
#include "transfer/Plan.h"

namespace tess::cli {

// Takes the machine-wide instance the wizard takes too; 0, or 6 with its message.
int TakeInstance(UniqueHandle& instance);

// The folder as the browse dialog would accept it (a network path or, for a temporary folder, a
// drive that is not fixed refused; a missing folder made; a trial write), or none with the
// message said.
enum class FolderUse { kSqlTemporary, kExchangeTemporary, kDestination };
std::optional<std::wstring> AcceptFolder(const std::wstring& folder, FolderUse use);

// The opening both transfers share: the machine's one instance taken, then the two folders
// checked against each other by the run's own rule (its catalog code, or 0) before and after
// each is accepted as the browse dialog would. `exitCode` is 0 when the run may go on.
struct OpenedRun {
    int exitCode = 0;
    UniqueHandle instance;
    std::wstring temporary, destination;
};
using FolderPairCheck = int (*)(const std::wstring& temporary, const std::wstring& destination);
OpenedRun OpenRun(const TransferOptions& options, FolderUse temporaryUse, FolderPairCheck check);

// The plan with the options' overrides run to its end on this thread; a console control event
// cancels it.
Outcome RunOnConsole(Plan plan, const TransferOptions& options);

// What the wizard's message boxes say when a run stops early, on standard error: the cancel (in
// the run's own words) or a drive that is full (574) or gone (15).
void SayRunStopped(const Outcome& outcome, std::wstring (*cancelledText)());
// The files that did not arrive, in the run's own words; nothing when every file did.
void SayFailedFiles(const Outcome& outcome, std::wstring (*failedText)(const std::wstring& files));

// The report file (when asked for) and the exit code from the outcome; `partlyFailed`: the dump
// step's tool reported items it could not dump while the rest shipped.
int EndRun(RunFacts facts, const Outcome& outcome, const TransferOptions& options, bool partlyFailed = false);

}  // namespace tess::cli
