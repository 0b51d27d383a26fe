#include "ui/WindowSink.h"

#include "ui/PumpWait.h"

namespace tess {
namespace {

const wchar_t kSinkClass[] = L"TessaronRunEvents";

bool isSelfOrChild(HWND parent, HWND hwnd) { return parent && hwnd && (hwnd == parent || IsChild(parent, hwnd)); }

}  // namespace

LRESULT CALLBACK WindowSink::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        if (auto* sink = reinterpret_cast<WindowSink*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) sink->drain();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

WindowSink::WindowSink(std::function<void(const Event&)> apply)
    : apply_(std::move(apply)), queue_([this] {
          if (window_) PostMessageW(window_, WM_APP, 0, 0);
      }) {
    window_ = CreateMessageWindow(kSinkClass, windowProc);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WindowSink::~WindowSink() {
    if (window_) DestroyWindow(window_);  // a wake-up still queued goes with it
}

void WindowSink::drain() {
    for (const Event& event : queue_.drain()) apply_(event);
}

HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);  // fails harmlessly when registered before
    return CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

void ServeUntil(const std::function<bool()>& done, HWND cancelWindow, const std::function<void()>& cancel) {
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (!done()) {
        NotePumpTurn();
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            if (!quit) cancel();
            quit = true;
            quitCode = msg.wParam;
            continue;
        }
        if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE &&
            isSelfOrChild(cancelWindow, msg.hwnd)) {
            cancel();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace tess
