#include "ui/PumpWait.h"

#include <algorithm>

#include "common/Process.h"

namespace tess {
namespace {

bool gCancelRequested = false;
PumpTurnHook gTurnHook = nullptr;

bool isSelfOrChild(HWND parent, HWND hwnd) {
    return parent && hwnd && (hwnd == parent || IsChild(parent, hwnd));
}

// Paint messages are generated, not queued: a window that never validates would return one
// forever, so a turn dispatches a bounded number of them.
constexpr int kMaxPaintsPerTurn = 64;
// The system's caret-blink timer message.
constexpr UINT kSysTimer = 0x118;
// What wakes a wait early. Posted messages are left out on purpose: the wait leaves them queued
// for the message loop, and a message that stays queued must not wake the wait again and again.
constexpr DWORD kWakeMask = QS_PAINT | QS_TIMER | QS_SENDMESSAGE | QS_KEY | QS_MOUSEBUTTON | QS_MOUSEMOVE;

}  // namespace

void RequestWaitCancel() { gCancelRequested = true; }
void ResetWaitCancel() { gCancelRequested = false; }
bool WaitCancelRequested() { return gCancelRequested; }

void SetPumpTurnHook(PumpTurnHook hook) { gTurnHook = hook; }

void NotePumpTurn() {
    if (gTurnHook) gTurnHook();
}

bool PumpPaintMessages(HWND cancelWindow, HWND cancelButton) {
    if (gTurnHook) gTurnHook();
    MSG msg;
    // Takes the next message of the range. A quit request ends the wait and is posted again for
    // the message loop that owns it: Wine hands WM_QUIT out whatever range is asked for.
    bool quit = false;
    auto take = [&](UINT first, UINT last) {
        if (quit || !PeekMessageW(&msg, nullptr, first, last, PM_REMOVE | PM_NOYIELD)) return false;
        if (msg.message != WM_QUIT) return true;
        quit = true;
        gCancelRequested = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    };
    take(WM_QUIT, WM_QUIT);

    // Keys: only Esc on the waiting window means something; the rest would act on disabled
    // controls after the wait, so it is dropped now. A window whose focused control is disabled
    // gets its keys as system keys.
    while (take(WM_KEYFIRST, WM_KEYLAST)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE &&
            isSelfOrChild(cancelWindow, msg.hwnd))
            gCancelRequested = true;
    }
    // Mouse: the cancel control keeps working (its own handler calls RequestWaitCancel);
    // everything else is dropped.
    while (take(WM_MOUSEFIRST, WM_MOUSELAST)) {
        if (cancelButton && msg.hwnd == cancelButton) DispatchMessageW(&msg);
    }
    while (take(WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK)) {
    }
    for (int i = 0; i < kMaxPaintsPerTurn && take(WM_PAINT, WM_PAINT); ++i) DispatchMessageW(&msg);
    while (take(WM_TIMER, WM_TIMER)) DispatchMessageW(&msg);
    while (take(kSysTimer, kSysTimer)) DispatchMessageW(&msg);
    return gCancelRequested;
}

WaitOutcome PumpWait(const std::function<bool()>& done, const WaitOptions& options) {
    const ULONGLONG start = GetTickCount64();
    const DWORD pollMs = options.pollMs ? options.pollMs : 75;
    for (;;) {
        if (PumpPaintMessages(options.cancelWindow, options.cancelButton)) return WaitOutcome::kCancelled;
        if (done && done()) return WaitOutcome::kDone;
        ULONGLONG now = GetTickCount64();
        if (options.timeoutMs && now - start >= options.timeoutMs) return WaitOutcome::kTimedOut;

        ULONGLONG nextPoll = now + pollMs;
        if (options.timeoutMs) nextPoll = std::min<ULONGLONG>(nextPoll, start + options.timeoutMs);
        // Sleep until the next poll, waking for paint and sent messages (and the wake handles)
        // in between so that the window stays painted.
        while (now < nextPoll) {
            DWORD r = MsgWaitForMultipleObjectsEx(options.wakeHandleCount, options.wakeHandles,
                                                  static_cast<DWORD>(nextPoll - now), kWakeMask, 0);
            if (r < WAIT_OBJECT_0 + options.wakeHandleCount) break;
            if (r == WAIT_OBJECT_0 + options.wakeHandleCount &&
                PumpPaintMessages(options.cancelWindow, options.cancelButton))
                return WaitOutcome::kCancelled;
            if (r == WAIT_FAILED) Sleep(pollMs);  // a bad wake handle must not become a busy loop
            now = GetTickCount64();
        }
    }
}

WaitOutcome WaitForProcess(HANDLE process, WaitOptions options, const std::function<bool()>& done) {
    const HANDLE wake[] = {process};
    options.wakeHandles = wake;
    options.wakeHandleCount = 1;
    const WaitOutcome outcome =
        PumpWait([&] { return (done && done()) || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, options);
    if (outcome != WaitOutcome::kDone) EndProcess(process);
    return outcome;
}

WaitOutcome PumpPause(DWORD pauseMs, HWND cancelWindow, HWND cancelButton) {
    WaitOptions options;
    options.timeoutMs = pauseMs ? pauseMs : 1;
    options.cancelWindow = cancelWindow;
    options.cancelButton = cancelButton;
    WaitOutcome outcome = PumpWait(nullptr, options);
    return outcome == WaitOutcome::kTimedOut ? WaitOutcome::kDone : outcome;
}

}  // namespace tess
