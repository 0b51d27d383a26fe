#include "ui/SkinLabel.h"

#include "ui/Skin.h"
#include "ui/Tips.h"

namespace tess {

SkinLabel* SkinLabel::fromHandle(HWND hwnd) { return dynamic_cast<SkinLabel*>(SkinControl::fromHandle(hwnd)); }

HWND SkinLabel::create(Window& owner, const wchar_t* name, int id, const RECT& r, const wchar_t* textOrKey, Mode mode) {
    mode_ = mode;
    if (mode == Mode::Image) imageKey_ = textOrKey;
    return createControl(L"Tessaron.Label", owner, name, id, r, mode == Mode::Text ? textOrKey : L"");
}

void SkinLabel::setImage(const std::wstring& key) {
    if (imageKey_ == key && mode_ == Mode::Image) return;
    imageKey_ = key;
    mode_ = Mode::Image;
    invalidate();
}

void SkinLabel::setColor(COLORREF color) {
    if (color_ == color) return;
    color_ = color;
    invalidate();
}

void SkinLabel::setFont(FontRole role) {
    font_ = role;
    invalidate();
}

void SkinLabel::setFormat(UINT format) {
    format_ = format;
    invalidate();
}

SIZE SkinLabel::measureText(int wrapWidth) const {
    const WindowDc dc(hwnd_);
    Selection selected(dc.get(), window_->font(font_));
    std::wstring t = text();
    RECT r{0, 0, wrapWidth > 0 ? window_->scale(wrapWidth) : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE);
    DrawTextW(dc.get(), t.empty() ? L" " : t.c_str(), t.empty() ? 1 : static_cast<int>(t.size()), &r, flags);
    // Back to design pixels, rounded up so that the text never gets clipped.
    int dpi = window_->dpi();
    return SIZE{(r.right * 96 + dpi - 1) / dpi, (r.bottom * 96 + dpi - 1) / dpi};
}

void SkinLabel::paintFace(HDC dc, const RECT& client) {
    if (mode_ == Mode::Image) {
        DrawSkinImage(dc, imageKey_, client);
        return;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color_);
    Selection selected(dc, window_->font(font_));
    std::wstring t = text();
    RECT rc = client;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &rc, format_);
}

LRESULT SkinLabel::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, clickable_ ? IDC_HAND : IDC_ARROW));
            return TRUE;
        case WM_MOUSEMOVE:
            // A label is part of the background: the window's buttons go back to normal.
            window_->resetButtonFaces();
            HideTipIfMoved();
            return 0;
        case WM_LBUTTONDOWN:
            if (dragsWindow_)
                StartCaptionDrag(GetAncestor(hwnd_, GA_ROOT));
            else if (clickable_)
                beginPress();
            return 0;
        case WM_LBUTTONUP:
            if (endPress(lp) && clickable_) notifyParent(STN_CLICKED);
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
        default:
            return SkinControl::onMessage(msg, wp, lp);
    }
}

}  // namespace tess
