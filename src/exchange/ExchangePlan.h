#pragma once
// The Exchange run as the engine's plan, without any window: one item whose dump step is the
// helper's local backup and whose files are the OstrovaExchBackupset tree it left, copied and
// read back below the destination. The wizard and the console program build their runs from it.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "exchange/ExchangeRun.h"
#include "exchange/ExchangeRunSteps.h"
#include "transfer/Plan.h"

namespace tess::exchange {

// What the helper's run left for the end of the run: written on the dump stage's thread, read
// after the run's end event.
struct SetRecords {
    ExchangeRunResult* result = nullptr;
    bool helperNotStarted = false;
    SetListing listing;  // the set as listed once the helper ended
    bool listed = false;
    // The run report exists only once the helper ended by itself: a stop at the limit or a cancel
    // leaves none.
    std::atomic<bool> reportStarted{false};
    // Lines said before the run started (the encryption's): written once the report exists.
    std::vector<std::wstring> earlyReportLines;
    // The helper's own errors (a store whose backup failed while the others were backed up): the
    // run goes on with the set it left, and a front end without a report window says them.
    std::vector<std::wstring> helperErrors;
};

// 571 when both folders name the same place, 573 when one is missing, else 0 (both trimmed).
int CheckTransferFolders(const std::wstring& temporary, const std::wstring& destination);

// `args.view` is not used: the plan runs on the engine's threads. `copier` writes each file (none:
// the block copy).
Plan BuildRunPlan(const ExchangeRunArgs& args, RunScope scope, const std::shared_ptr<SetRecords>& records,
                  std::shared_ptr<FileCopier> copier = nullptr);

// The set's files left the temporary folder as each was verified; its emptied folders go too,
// deepest first (a folder that still holds something, a link among them, stays).
void RemoveEmptiedSetFolders(const SetRecords& records, const std::wstring& temporary);

}  // namespace tess::exchange
