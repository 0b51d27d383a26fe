#pragma once
// The one way the wizards wait for a companion tool, a status file or a pause: on the window
// thread, polling a condition every ~75 ms while the thread's windows keep painting (paint and
// timer messages are dispatched, sent messages are served), so that a long wait neither freezes
// the window nor burns a core. User input is not dispatched while waiting (the window's controls
// are disabled anyway), except that Esc on the waiting window, a click on its cancel control or a
// WM_QUIT ends the wait as cancelled. Every wait has a time limit.
#include <windows.h>

#include <cstdint>
#include <functional>

namespace tess {

enum class WaitOutcome { kDone, kTimedOut, kCancelled };

struct WaitOptions {
    // 0 means no limit (only for pauses that end by themselves).
    uint64_t timeoutMs = 0;
    DWORD pollMs = 75;
    // Esc pressed in this window (or any of its children) cancels the wait.
    HWND cancelWindow = nullptr;
    // A button that stays enabled during the wait; its clicks are dispatched and cancel.
    HWND cancelButton = nullptr;
    // Handles that end the wait early when signalled (a process, a change notification); the
    // condition is checked again at once.
    const HANDLE* wakeHandles = nullptr;
    DWORD wakeHandleCount = 0;
};

// Returns kDone as soon as `done` returns true (it is tested first, before any waiting).
WaitOutcome PumpWait(const std::function<bool()>& done, const WaitOptions& options);

// Waits for a process we started to end (or for `done`, when given, to say the work is done
// first), waking the moment it ends. A process still running when the wait ends otherwise (the
// limit, a cancel) is ended, so that it cannot go on writing behind the next run.
WaitOutcome WaitForProcess(HANDLE process, WaitOptions options, const std::function<bool()>& done = nullptr);

// A pause of the given length that keeps painting; cancellable the same way.
WaitOutcome PumpPause(DWORD pauseMs, HWND cancelWindow = nullptr, HWND cancelButton = nullptr);

// Dispatches the paint and timer messages pending for this thread, serves sent messages and
// notes whether a cancel request arrived (returns true then). Used between blocks of a copy and
// between steps.
bool PumpPaintMessages(HWND cancelWindow = nullptr, HWND cancelButton = nullptr);

// The cancel request of the running step: set by Esc or by the cancel control's own handler,
// cleared by the run when it starts a step that may be cancelled.
void RequestWaitCancel();
void ResetWaitCancel();
bool WaitCancelRequested();

// Hook for measurements: called on every turn of a pumping loop (benchmarks measure the gaps).
using PumpTurnHook = void (*)();
void SetPumpTurnHook(PumpTurnHook hook);
// A loop of its own (ServeUntil) tells the hook of its turns too.
void NotePumpTurn();

}  // namespace tess
