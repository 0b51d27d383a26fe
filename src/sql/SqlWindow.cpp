#include "sql/SqlWindow.h"

#include "ui/Skin.h"

namespace tess::sql {

SqlWindow::SqlWindow(std::wstring designName, DesignRect design, bool bigBand)
    : Window(std::move(designName), design), bigBand_(bigBand) {}

void SqlWindow::loadFrame(const ControlSpec* layout, size_t count, int captionId, std::vector<AltKey> altKeys) {
    addControls(layout, count);
    setAltKeys(std::move(altKeys));
    setUpCaption(captionId);
    resetButtonFaces();
    RoundedBorder(hwnd(), name());
}

void SqlWindow::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kBody));
    if (bigBand_)
        SetImagetoScreen(dc, client, dpi());
    else
        SetImagetoScreenSmall(dc, client, dpi());
}

std::optional<ControlColors> SqlWindow::controlColors(UINT msg, HWND) const {
    if (msg == WM_CTLCOLOREDIT) return ControlColors{RGB(255, 255, 255)};
    // Option buttons (which ask with either message, as the system's theme decides) and static
    // controls sit on the body colour.
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) return ControlColors{skin::kBody, skin::kText};
    return std::nullopt;
}

}  // namespace tess::sql
