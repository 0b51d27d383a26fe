#include "ui/WindowRunView.h"

#include "ui/ImageButton.h"
#include "ui/SkinLabel.h"

namespace tess {

void WindowRunView::setProgressText(const std::wstring& text, bool visible) {
    if (auto* l = window_.label(ids_.progressText)) l->setText(text);
    window_.showControl(ids_.progressText, visible);
    UpdateWindow(window_.hwnd());
}

void WindowRunView::setProgressFigures(const std::wstring& text) {
    if (auto* l = window_.label(ids_.progressFigures)) l->setText(text);
    window_.showControl(ids_.progressFigures, !text.empty());
}

void WindowRunView::setDumpProgress(std::optional<double> percent, const std::wstring& figures) {
    if (!ids_.dumpFigures) return setProgressFigures(figures);
    if (auto* l = window_.label(ids_.dumpFigures)) l->setText(figures);
    window_.showControl(ids_.dumpFigures, !figures.empty());
    window_.showControl(ids_.dumpBar, percent && !figures.empty());
    if (percent) window_.setProgressPercent(ids_.dumpBar, *percent);
}

void WindowRunView::setProgressBarVisible(bool visible) { window_.showControl(ids_.progressBar, visible); }

void WindowRunView::setProgress(double percent) { window_.setProgressPercent(ids_.progressBar, percent); }

void WindowRunView::focusTemporaryBrowse() {
    if (auto* b = window_.button(ids_.temporaryBrowse)) SetFocus(b->hwnd());
}

}  // namespace tess
