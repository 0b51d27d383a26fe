#include "ui/MessageBox.h"

#include "common/Log.h"
#include "ui/MessageBoxWindow.h"
#include "ui/Window.h"

namespace tess {
namespace {

std::wstring& programTitle() {
    static std::wstring title;
    return title;
}

BOOL CALLBACK firstEnabledWindow(HWND hwnd, LPARAM lp) {
    // A control tip is never activated, and goes at the next click: it owns nothing.
    const bool tip = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0;
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && !tip && Window::fromHandle(hwnd)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Thread windows are enumerated from the top of the z-order down.
HWND topmostThreadWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), firstEnabledWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

MessagePresenter& currentPresenter() {
    static MessagePresenter presenter;
    return presenter;
}

}  // namespace

const std::wstring& ProgramTitle() { return programTitle(); }
void SetProgramTitle(const std::wstring& title) { programTitle() = title; }

void SetMessagePresenter(MessagePresenter presenter) { currentPresenter() = std::move(presenter); }

MessageResult ShowMessage(const MessageCall& call) {
    TraceScope trace(L"ShowMessage");
    MessageCall shown = call;
    if (shown.caption.empty()) shown.caption = ProgramTitle();
    if (currentPresenter()) return currentPresenter()(shown);
    try {
        // Owned by whatever window of this thread is active: the box then stays above it and
        // the user cannot work around it. When the program is not in the foreground nothing
        // is active, and the topmost enabled window of this thread takes that role.
        HWND owner = GetActiveWindow();
        if (!owner) owner = topmostThreadWindow();
        return RunMessageBox(owner, shown);
    } catch (...) {
        TraceError(L"ShowMessage", L" showing the message box");
        return kResultOk;
    }
}

}  // namespace tess
