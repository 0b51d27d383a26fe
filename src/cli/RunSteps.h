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

// The plan with the options' overrides run to its end on this thread; a console control event
// cancels it.
Outcome RunOnConsole(Plan plan, const TransferOptions& options);

// The report file (when asked for) and the exit code from the outcome.
int EndRun(RunFacts facts, const Outcome& outcome, const TransferOptions& options);

}  // namespace tess::cli
