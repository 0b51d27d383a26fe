#pragma once
// A label or picture drawn on its window's skinned background: text (with a colour, font role
// and DrawText format) or a skin image. It can drag its window (the caption strip) or report a
// click (a close box, a help image) as WM_COMMAND with STN_CLICKED on the left-button release.
// The text is the window text, so other processes can read it with WM_GETTEXT.
#include <windows.h>

#include <string>

#include "ui/SkinControl.h"
#include "ui/Window.h"

namespace tess {

class SkinLabel : public SkinControl {
public:
    enum class Mode { Text, Image };

    HWND create(Window& owner, const wchar_t* name, int id, const RECT& rect, const wchar_t* textOrKey, Mode mode);

    void setImage(const std::wstring& key);
    const std::wstring& image() const { return imageKey_; }
    void setColor(COLORREF color);
    void setFont(FontRole role);
    // DT_ flags. By default lines break at blanks, and inside a word too long for a line (a
    // path in a message), as an edit box does.
    void setFormat(UINT drawTextFormat);
    void setDragsWindow(bool drags) { dragsWindow_ = drags; }
    void setClickable(bool clickable) { clickable_ = clickable; }
    // The size the text needs on one line (or wrapped to `width` design pixels when > 0), in
    // design pixels.
    SIZE measureText(int wrapWidth = 0) const;

    static SkinLabel* fromHandle(HWND hwnd);

protected:
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paintFace(HDC dc, const RECT& client) override;

private:
    Mode mode_ = Mode::Text;
    std::wstring imageKey_;
    COLORREF color_ = RGB(33, 37, 41);
    FontRole font_ = FontRole::Body;
    UINT format_ = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
    bool dragsWindow_ = false;
    bool clickable_ = false;
};

}  // namespace tess
