// The bounded wait every SQL step uses: it keeps windows painted, ends on its condition, its
// limit, Esc or a quit request, and leaves the messages it does not own in the queue. And the
// run's window sink with the loop that serves the window while the engine runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "ui/PumpWait.h"
#include "ui/WindowSink.h"

namespace tess {
namespace {

class PumpWaitTest : public ::testing::Test {
protected:
    void SetUp() override { ResetWaitCancel(); }
    void TearDown() override {
        DestroyWindow(window_);
        test::PumpMessages();
        ResetWaitCancel();
    }
    HWND window_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
};

TEST_F(PumpWaitTest, WindowIsRepaintedWhileWaiting) {
    ShowWindow(window_, SW_SHOWNA);
    InvalidateRect(window_, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(window_, nullptr, FALSE));
    WaitOptions options;
    options.timeoutMs = 5000;
    EXPECT_EQ(PumpWait([&] { return !GetUpdateRect(window_, nullptr, FALSE); }, options), WaitOutcome::kDone);
}

TEST_F(PumpWaitTest, EscapeOrAQuitRequestCancelsOtherKeysAndPostedMessagesDoNot) {
    PostMessageW(window_, WM_APP, 7, 0);
    PostMessageW(window_, WM_KEYDOWN, 'A', 0);
    WaitOptions options;
    options.timeoutMs = 300;
    options.cancelWindow = window_;
    EXPECT_EQ(PumpWait([] { return false; }, options), WaitOutcome::kTimedOut);
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, window_, WM_APP, WM_APP, PM_REMOVE));  // left for its owner
    EXPECT_FALSE(PeekMessageW(&msg, window_, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));  // dropped

    PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(PumpWait([] { return false; }, options), WaitOutcome::kCancelled);
    EXPECT_TRUE(WaitCancelRequested());

    // The message loop that owns a quit request still gets it.
    ResetWaitCancel();
    PostQuitMessage(3);
    EXPECT_EQ(PumpPause(2000, window_), WaitOutcome::kCancelled);
    bool quit = false;
    while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit = msg.message == WM_QUIT;
    ASSERT_TRUE(quit);
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A run's events from another thread reach the window's thread while it serves its loop, in
// order and batched; Esc on the run's window asks for the cancel and the loop still waits for
// the run's own end.
TEST(WindowSinkTest, EventsFromAnotherThreadArriveInOrderAndEscAsksTheRunToCancel) {
    std::vector<uint64_t> seen;
    bool ended = false, cancelled = false;
    WindowSink sink([&](const Event& event) {
        if (event.kind == EventKind::kEnded) ended = true;
        else seen.push_back(event.bytes);
    });
    HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::thread engine([&] {
        for (uint64_t i = 1; i <= 500; ++i) {
            Event event;
            event.kind = EventKind::kBytesDone;
            event.bytes = i;
            sink.onEvent(event);
        }
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ServeUntil([&] { return seen.size() == 500 && cancelled; }, window, [&] {
        cancelled = true;
        Event end;
        sink.onEvent(end);  // the run's answer to the cancel
    });
    engine.join();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 500u);
    EXPECT_TRUE(test::WaitFor([&] {
        test::PumpMessages();
        return ended;
    }));
    DestroyWindow(window);
}

}  // namespace
}  // namespace tess
