#pragma once
// What the window tests put in place of the user: the message box answered and recorded, and a
// run's wizard window recorded instead of shown. For the test executables that link the windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/MessageCatalog.h"
#include "ui/MessageBox.h"
#include "ui/RunView.h"

namespace tess::test {

// For its scope every message is recorded instead of shown; a question (Yes/No) gets `answer`,
// any other message OK.
class RecordedMessages {
public:
    explicit RecordedMessages(MessageResult answerToQuestions = kResultNo) : answer(answerToQuestions) {
        SetMessagePresenter([this](const MessageCall& call) {
            calls.push_back(call);
            return call.buttons == kButtonsYesNo ? answer : kResultOk;
        });
    }
    ~RecordedMessages() { SetMessagePresenter(nullptr); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    // The catalog code of each message shown as the catalog has it (the lowest code of that
    // text); composed texts (a name or a reason added) are left out.
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& call : calls)
            for (long code = 1; code <= 1011; ++code)
                if (call.text == GetMessageText(code)) {
                    out.push_back(static_cast<int>(code));
                    break;
                }
        return out;
    }

    std::vector<MessageCall> calls;
    MessageResult answer;
};

// A run's view over a hidden window of its own (the waits pump it, Esc posted to it cancels):
// records the running changes and fails the test when the progress goes back.
class RecordingRunView : public RunView {
public:
    RecordingRunView() : window_(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
    ~RecordingRunView() override { DestroyWindow(window_); }
    void setRunning(bool running) override { runningChanges.push_back(running); }
    void setProgressText(const std::wstring&, bool) override {}
    void setProgressBarVisible(bool) override {}
    void setProgress(double percent) override {
        EXPECT_GE(percent, lastPercent);
        lastPercent = percent;
    }
    void setDumpProgress(std::optional<double> percent, const std::wstring& figures) override {
        if (percent && !figures.empty()) dumpPercents.push_back(*percent);
        if (!figures.empty() && lastPercent == 0) dumpBeforeShipping = true;
    }
    void focusTemporaryBrowse() override { focusedBrowse = true; }
    HWND window() const override { return window_; }

    std::vector<bool> runningChanges;
    double lastPercent = 0;
    std::vector<double> dumpPercents;  // the dump's bar as it was shown
    bool dumpBeforeShipping = false;   // its figures showed before the shipping's bar moved
    bool focusedBrowse = false;

private:
    HWND window_;
};

}  // namespace tess::test
