#pragma once
// What a transfer run needs of the wizard window that starts it (the SQL Server database window,
// the Exchange wizard): the run decides, the window shows.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "transfer/Sink.h"

namespace tess {

class RunView {
public:
    virtual ~RunView() = default;
    // Disables (running) or enables again the Browse, Transfer data and Close controls and the
    // close box, with the buttons' faces to match.
    virtual void setRunning(bool running) = 0;
    // The status line of the run.
    virtual void setProgressText(const std::wstring& text, bool visible) = 0;
    virtual void setProgressBarVisible(bool visible) = 0;
    virtual void setProgress(double percent) = 0;
    // The figures beside the bar (bytes done, throughput, time left); an empty text hides them.
    virtual void setProgressFigures(const std::wstring& text) { (void)text; }
    // The dump's line while a companion tool writes: its bar (none without a size to measure it
    // against) and its figures; an empty text hides the line.
    virtual void setDumpProgress(std::optional<double> percent, const std::wstring& figures) {
        (void)percent;
        (void)figures;
    }
    virtual void focusTemporaryBrowse() = 0;
    // The window keeps painting during the waits, Esc in it cancels them and the copy, and the
    // messages are owned by it.
    virtual HWND window() const = 0;

    // The run under way gives the view its own cancel, and takes it back (null) at its end.
    void setRunCancel(std::function<void()> cancel) { runCancel_ = std::move(cancel); }
    // Esc or the window's close during a run: asks first (No by default; the taskbar button shows
    // the run paused meanwhile) and cancels the run on Yes. False when no run is under way.
    bool askToStopRun();

private:
    std::function<void()> runCancel_;
};

// What every run's window shows alike of the engine's events: the dump's line while its tool
// writes, the bar from the bytes done (never going back as the total grows with each dump that
// becomes known), the figures beside it, and a question answered with its safe answer. False for the events the run shows its own way.
bool ShowShippingEvent(RunView& view, const Event& event, double& percent);
// The names of the files that did not arrive whole, one a line, for the message at the run's end.
std::wstring FailedFileNames(const Outcome& outcome);

}  // namespace tess
