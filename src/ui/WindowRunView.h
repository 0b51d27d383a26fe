#pragma once
// The run's view over a wizard window that has the usual run controls: a status line, the figures
// beside the bar, the progress bar and the temporary folder's Browse button. The window lists
// their ids once and keeps only what differs (which controls a run disables).
#include "ui/RunView.h"
#include "ui/Window.h"

namespace tess {

class WindowRunView : public RunView {
public:
    struct Ids {
        int progressText, progressFigures, progressBar, temporaryBrowse;
        // The dump's own line; a window without one (its dump never overlaps its shipping) shows
        // the dump's figures where the shipping's go, without a bar.
        int dumpBar = 0, dumpFigures = 0;
    };
    WindowRunView(Window& window, Ids ids) : window_(window), ids_(ids) {}

    void setProgressText(const std::wstring& text, bool visible) override;
    void setProgressBarVisible(bool visible) override;
    void setProgress(double percent) override;
    void setProgressFigures(const std::wstring& text) override;
    void setDumpProgress(std::optional<double> percent, const std::wstring& figures) override;
    void focusTemporaryBrowse() override;
    HWND window() const override { return window_.hwnd(); }

private:
    Window& window_;
    Ids ids_;
};

}  // namespace tess
