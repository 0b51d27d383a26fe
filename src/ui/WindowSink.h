#pragma once
// A run's events on the window's thread. The engine's threads queue them; the first event of a
// batch posts one WM_APP to a message-only window of this thread, whose handler drains the queue
// and applies each event. A window, not PostThreadMessage: a thread message never reaches a
// handler while a nested modal loop runs (a message box, a menu), and the program's own message
// box is such a loop. However fast the copy runs, the message queue holds one wake-up at most.
#include <windows.h>

#include <functional>

#include "transfer/Sink.h"

namespace tess {

class WindowSink : public Sink {
public:
    // On the thread that applies the events; `apply` must not destroy the sink.
    explicit WindowSink(std::function<void(const Event&)> apply);
    ~WindowSink() override;
    WindowSink(const WindowSink&) = delete;
    WindowSink& operator=(const WindowSink&) = delete;

    void onEvent(const Event& event) override { queue_.onEvent(event); }
    // Applies what is queued now (the WM_APP handler does the same).
    void drain();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    std::function<void(const Event&)> apply_;
    QueueSink queue_;
    HWND window_ = nullptr;
};

// A message-only window of this thread whose messages go to `proc` (the class registered on first use).
HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc);

// Serves every message of the thread (the window's own loop, as a modal window runs it) until
// `done` says the run ended. Esc on `cancelWindow` (or one of its children) and WM_QUIT call
// `cancel` (the run's own: no process-wide flag takes part), and the serving goes on until the
// run says it ended; a WM_QUIT is posted again for the loop that owns it.
void ServeUntil(const std::function<bool()>& done, HWND cancelWindow, const std::function<void()>& cancel);

}  // namespace tess
