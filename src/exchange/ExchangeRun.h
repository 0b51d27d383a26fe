#pragma once
// The Exchange transfer run behind "Transfer data": the input checks, the helper's local backup
// (DoExchangeBackup) and the shipping of its OstrovaExchBackupset folder to the destination with
// the run report. The wizard supplies the view and what the user chose; the run decides the rest.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/RunView.h"

namespace tess::exchange {

// The wizard's side of the run (lblRestoreProgress is the status line, ProgressBar1 the bar).
using ExchangeRunView = tess::RunView;

struct ExchangeRunArgs {
    int exchVersion = 0;                  // the ExchVersion setting as an integer
    // What StoreValues gathered: node keys in tree mode (a group's key ends with "\"), database
    // names in list mode (2010, 2013).
    std::vector<std::wstring> selection;
    std::wstring temporaryPath;           // Tempfolder_txt as typed
    std::wstring destination;             // txtDestination
    ExchangeRunView* view = nullptr;
    uint64_t helperTimeoutMs = 0;         // 0: the ExchBackupWaitSeconds setting
};

struct ExchangeRunResult {
    int messageCode = 0;     // the catalog message that stopped the run (571, 573, 19, 20, 574), else 0
    bool backupRan = false;  // the helper's backup was started
    bool helperTimedOut = false;
    bool cancelled = false;
    bool failed = false;     // the work folder was not writable, or the helper did not end by itself
    int shipped = 0;         // files copied whole to the destination
    int failedCopies = 0;
    bool askedToView = false;  // question 569 was asked
};

// CmdNext: the checks, the local backup, the shipping and question 569.
ExchangeRunResult CmdNext(const ExchangeRunArgs& args);
// Enter in the wizard: the local backup alone, without the checks and the shipping. False when it
// stopped at its own input checks (19, 20).
bool DoExchangeBackup(const ExchangeRunArgs& args, ExchangeRunResult* result = nullptr);

// btnBrowse: the browse dialog for the temporary folder, the drive and write checks (15, 16, 17,
// 18, choosing again after each); the accepted folder with a trailing "\", nothing when the user
// closed the dialog.
std::optional<std::wstring> btnBrowse_Click(HWND owner);

}  // namespace tess::exchange
