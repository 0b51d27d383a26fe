// The bounded wait every SQL step uses: it keeps windows painted, ends on its condition, its
// limit, Esc or a quit request, and leaves the messages it does not own in the queue.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/PumpWait.h"

namespace tess {
namespace {

class PumpWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWaitCancel();
        window_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(window_);
        test::PumpMessages();
    }
    void TearDown() override {
        DestroyWindow(window_);
        test::PumpMessages();
        ResetWaitCancel();
    }
    HWND window_ = nullptr;
};

TEST_F(PumpWaitTest, WindowIsRepaintedWhileWaiting) {
    ShowWindow(window_, SW_SHOWNA);
    ValidateRect(window_, nullptr);
    InvalidateRect(window_, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(window_, nullptr, FALSE));
    bool paintedDuringWait = false;
    WaitOptions options;
    options.timeoutMs = 5000;
    const WaitOutcome outcome = PumpWait(
        [&] {
            paintedDuringWait = !GetUpdateRect(window_, nullptr, FALSE);
            return paintedDuringWait;
        },
        options);
    EXPECT_EQ(outcome, WaitOutcome::kDone);
}

TEST_F(PumpWaitTest, EscapeInTheWindowCancelsOtherKeysAndPostedMessagesDoNot) {
    PostMessageW(window_, WM_APP, 7, 0);
    PostMessageW(window_, WM_KEYDOWN, 'A', 0);
    WaitOptions options;
    options.timeoutMs = 300;
    options.cancelWindow = window_;
    EXPECT_EQ(PumpWait([] { return false; }, options), WaitOutcome::kTimedOut);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window_, WM_APP, WM_APP, PM_REMOVE));  // left for its owner
    EXPECT_FALSE(PeekMessageW(&msg, window_, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));  // dropped

    PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(PumpWait([] { return false; }, options), WaitOutcome::kCancelled);
    EXPECT_TRUE(WaitCancelRequested());
}

TEST_F(PumpWaitTest, QuitRequestCancelsAndStaysQueued) {
    PostQuitMessage(3);
    EXPECT_EQ(PumpPause(2000, window_), WaitOutcome::kCancelled);
    // The message loop that owns the quit request still gets it.
    MSG msg{};
    bool quit = false;
    while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit = msg.message == WM_QUIT;
    ASSERT_TRUE(quit);
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace tess
