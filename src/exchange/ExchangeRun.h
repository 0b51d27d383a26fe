#pragma once
// The Exchange transfer run behind "Transfer data": the input checks, the helper's local backup
// and the shipping of its OstrovaExchBackupset folder to the destination with the run report, as
// one item of the transfer engine (the helper is its dump step; its set is copied and read back
// once it ended). The wizard supplies the view and what the user chose; the run decides the rest.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
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
    bool encrypt = false;                 // ChkEncrypt: the set goes to the drive as `.tenc` files
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

// A run under way; the wizard keeps it until the next one.
class ExchangeRun {
public:
    virtual ~ExchangeRun() = default;
    // Esc, the window's close: the engine stops, the helper it started is ended, and the run ends
    // as cancelled.
    virtual void cancel() = 0;
    virtual bool ended() const = 0;
};

enum class RunScope {
    kTransfer,     // "Transfer data": the checks, the local backup, the shipping and question 569
    kLocalBackup,  // Enter: the local backup alone, without the checks and the shipping
};

// Starts the run and returns at once: it goes on while the window's own loop runs, and `ended`
// gets its result on the window's thread once the end-of-run messages were shown (at once when
// the input checks end it before anything starts).
std::unique_ptr<ExchangeRun> StartRun(const ExchangeRunArgs& args, RunScope scope,
                                      std::function<void(const ExchangeRunResult&)> ended);

// The same for a caller that needs the result before it returns: serves the thread's messages
// until the run ended (Esc on the view's window cancels).
ExchangeRunResult CmdNext(const ExchangeRunArgs& args);
// The local backup alone; false when it stopped at its own input checks (19, 20).
bool DoExchangeBackup(const ExchangeRunArgs& args, ExchangeRunResult* result = nullptr);

// btnBrowse: the browse dialog for the temporary folder, the drive and write checks (15, 16, 17,
// 18, choosing again after each); the accepted folder with a trailing "\", nothing when the user
// closed the dialog.
std::optional<std::wstring> btnBrowse_Click(HWND owner);

}  // namespace tess::exchange
