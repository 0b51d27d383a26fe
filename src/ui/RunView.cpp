#include "ui/RunView.h"

#include <algorithm>

#include "common/Text.h"

namespace tess {

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
            event.question->reply(event.question->safeAnswer());
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
