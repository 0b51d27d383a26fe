#pragma once
// A run's marks outside its window, as Explorer's copy makes them: its progress on the taskbar
// button (ITaskbarList3), and at its end the button flashing until the user comes back when the
// window is not in the foreground. The calls go through the system-call seam (tests record them).
#include <windows.h>

#include "transfer/Sink.h"

namespace tess {

enum class TaskbarState { kNone, kNormal, kPaused, kError };

// The button's state for `window` (an owned window's is its owner's button).
void SetTaskbarState(HWND window, TaskbarState state);

// One run's button: normal from its start, the run's share as it goes, cleared when it goes
// (however the run ends, the window's close too).
class RunTaskbar {
public:
    explicit RunTaskbar(HWND window);
    ~RunTaskbar();
    RunTaskbar(const RunTaskbar&) = delete;
    RunTaskbar& operator=(const RunTaskbar&) = delete;

    // The run's share from its events: the dump's bar until the shipping began, then the
    // shipping's (never going back as the total grows).
    void follow(const Event& event);
    // The run ended: the error state when something failed; the flash unless the window is in
    // the foreground.
    void ended(const Outcome& outcome);

private:
    void show(double percent);

    HWND window_;
    int shown_ = -1;  // in tenths of a percent, as last shown
    bool shipping_ = false;
    double shipped_ = 0;
};

}  // namespace tess
