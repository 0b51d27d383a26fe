#pragma once
// The SQL Server transfer run behind "Transfer data": the input checks, one backup per selected
// database, the free-space test, the shipping copy, the run report and the question that ends it.
// The database window supplies the view; the run decides everything else.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/RunView.h"

namespace tess::sql {

using RunView = tess::RunView;

struct RunInput {
    std::wstring temporaryPath;              // Tempfolder_txt
    std::wstring destination;                // txtDestination
    std::vector<std::wstring> databases;     // the checked rows, in list order
    std::wstring serverName;                 // the server the login settled on (normalised)
    std::vector<uint64_t> databaseBytes;     // the list tool's size of each database, as far as known
    bool encrypt = false;                    // ChkEncrypt: the files go to the drive as `.tenc`
};

struct RunReport {
    int messageCode = 0;       // the catalog message that ended the run early (184, 572, 568, 15, 574), else 0
    int started = 0;           // databases whose backup was started
    int shipped = 0;           // files copied whole to the destination
    int failedCopies = 0;
    bool cancelled = false;
    bool askedToView = false;  // question 570 was asked
    std::vector<std::wstring> notStarted;  // databases whose backup tool could not be started
};

// A run under way; the window that started it keeps it until the next one.
class SqlRun {
public:
    virtual ~SqlRun() = default;
    // Esc, the window's close: the engine stops every stage, ends the backup tool it started, and
    // the run ends as cancelled.
    virtual void cancel() = 0;
    virtual bool ended() const = 0;
};

// Starts the run and returns at once: it goes on while the window's own loop runs, and `ended`
// gets its report on the window's thread once the end-of-run messages were shown (at once when
// the input checks end it before anything starts).
std::unique_ptr<SqlRun> StartRun(const RunInput& input, RunView& view, std::function<void(const RunReport&)> ended);

// The same for a caller that needs the report before it returns: serves the thread's messages
// until the run ended (Esc on the view's window cancels).
RunReport CmdNext(const RunInput& input, RunView& view);

}  // namespace tess::sql
