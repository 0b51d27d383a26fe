// The Window base, modal run and message loops: the nested loop of a modal window, the
// application's loop, and the pre-translate step both share.
#include "ui/Window.h"

namespace tess {

void StartCaptionDrag(HWND topLevel) {
    ReleaseCapture();
    SendMessageW(topLevel, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

bool PreTranslateWindowMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    Window* window = Window::fromHandle(root);
    if (!window) return false;
    // Bit 29 is the context code: set when Alt is held. Posted keys do not update
    // GetKeyState, so the message itself is the only reliable witness.
    bool alt = msg.message == WM_SYSKEYDOWN && (msg.lParam & (1 << 29)) != 0;
    if (window->handleKey(static_cast<UINT>(msg.wParam), alt)) return true;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        // Tab moves between the window's edit boxes, lists and check boxes as in a dialog;
        // IsDialogMessage is not used because it would also act on Alt+letter and Enter.
        bool back = GetKeyState(VK_SHIFT) < 0;
        HWND next = GetNextDlgTabItem(root, GetFocus(), back);
        if (next) SetFocus(next);
        return next != nullptr;
    }
    return false;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool Window::createModeless(HWND owner, int showCommand) {
    if (!create(owner)) return false;
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

bool Window::runModal(HWND owner) {
    if (!create(owner)) return false;
    modalDone_ = false;
    inModalLoop_ = true;
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (ownerWasEnabled) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    bool quit = false;
    MSG msg;
    while (!modalDone_ && hwnd_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    inModalLoop_ = false;
    // The owner is enabled before this window goes, so that the system hands it the activation
    // instead of some other application's window.
    if (ownerWasEnabled) EnableWindow(owner_, TRUE);
    if (hwnd_) DestroyWindow(hwnd_);
    if (owner_ && IsWindow(owner_)) {
        SetActiveWindow(owner_);
        SetFocus(owner_);
    }
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return !quit;
}

void Window::endModal() {
    modalDone_ = true;
    if (inModalLoop_) {
        // Wakes the loop when called from outside a message of this window (a timer, a test).
        if (hwnd_) PostMessageW(hwnd_, WM_NULL, 0, 0);
    } else if (hwnd_) {
        DestroyWindow(hwnd_);
    }
}

}  // namespace tess
