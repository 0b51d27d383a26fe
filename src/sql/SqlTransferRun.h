#pragma once
// The SQL Server transfer run behind "Transfer data": the input checks, one backup per selected
// database, the free-space test, the shipping copy, the run report and the question that ends it.
// The database window supplies the view; the run decides everything else.
#include <windows.h>

#include <string>
#include <vector>

namespace tess::sql {

class RunView {
public:
    virtual ~RunView() = default;
    // Disables (running) or enables again the Browse, Transfer data and Close controls and the
    // close box, with the buttons' faces to match.
    virtual void setRunning(bool running) = 0;
    virtual void setProgressText(const std::wstring& text, bool visible) = 0;
    virtual void setProgressBarVisible(bool visible) = 0;
    virtual void setProgress(double percent) = 0;
    virtual void focusTemporaryBrowse() = 0;
    // Esc here cancels the waits and the copy.
    virtual HWND window() const = 0;
};

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

// Seam: what "Yes" to question 570 opens (the shell's "open" of Log_trace.txt by default).
using ReportOpener = void (*)(const std::wstring& path);
void SetReportOpenerForTesting(ReportOpener opener);

}  // namespace tess::sql
