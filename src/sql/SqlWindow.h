#pragma once
// What the two SQL Server windows (the login and the database window) share: the body colour
// under the caption band, white edit boxes on it, and their load steps.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Window.h"

namespace tess::sql {

class SqlWindow : public Window {
protected:
    // `bigBand`: the database window's large frame; the login has the small one.
    SqlWindow(std::wstring designName, DesignRect design, bool bigBand);

    // The shared load: the controls of the layout table, the Alt keys, the caption text on the
    // band, every button in its normal face and the rounded region.
    void loadFrame(const ControlSpec* layout, size_t count, int captionId, std::vector<AltKey> altKeys);
    template <size_t N>
    void loadFrame(const ControlSpec (&layout)[N], int captionId, std::vector<AltKey> altKeys) {
        loadFrame(layout, N, captionId, std::move(altKeys));
    }

    void paintBackground(HDC dc, const RECT& client) override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;
    std::wstring text(int id) const { return WindowText(control(id)); }

private:
    bool bigBand_;
};

}  // namespace tess::sql
