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
