#pragma once
// The SQL Server transfer run behind "Transfer data": the input checks, one backup per selected
// database, the free-space test, the shipping copy, the run report and the question that ends it.
// The database window supplies the view; the run decides everything else.
#include <windows.h>

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

RunReport CmdNext(const RunInput& input, RunView& view);

}  // namespace tess::sql
