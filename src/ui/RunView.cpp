#include "ui/RunView.h"

#include <algorithm>

#include "common/MessageCatalog.h"
#include "common/Text.h"
#include "ui/RunQuestion.h"
#include "ui/MessageBox.h"
#include "ui/Taskbar.h"

namespace tess {

namespace {

constexpr int kStopRunQuestion = 579;

}  // namespace

bool RunView::askToStopRun() {
    if (!runCancel_) return false;
    SetTaskbarState(window(), TaskbarState::kPaused);
    const bool stop =
        ShowMessage({GetMessageText(kStopRunQuestion), kIconQuestion, kButtonsYesNo, {}, true}) == kResultYes;
    // The run may have ended while the question waited: its end cleared the button and took the
    // cancel back.
    if (!runCancel_) return true;
    SetTaskbarState(window(), TaskbarState::kNormal);
    if (stop) runCancel_();
    return true;
}

bool ShowShippingEvent(RunView& view, const Event& event, double& percent) {
    switch (event.kind) {
        case EventKind::kBytesDone:
            if (event.totalBytes)
                percent = std::max(percent, std::min(100.0, static_cast<double>(event.bytes) * 100.0 /
                                                                static_cast<double>(event.totalBytes)));
            view.setProgress(percent);
            return true;
        case EventKind::kDumpBytes:
            view.setDumpProgress(event.totalBytes ? std::optional<double>(event.percent) : std::nullopt, event.text);
            return true;
        case EventKind::kFigures:
            view.setProgressFigures(event.text);
            return true;
        case EventKind::kQuestion:
            ShowRunQuestion(event.question);
            return true;
        default:
            return false;
    }
}

std::wstring FailedFileNames(const Outcome& outcome) {
    std::wstring names;
    for (const auto& item : outcome.items)
        for (const auto& file : item.files)
            if (file.state == FileState::kFailed) names += AfterLast(file.file.target, L"\\") + L"\r\n";
    return names;
}

}  // namespace tess
