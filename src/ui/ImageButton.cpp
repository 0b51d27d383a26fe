#include "ui/ImageButton.h"

#include "common/TransferState.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"
#include "ui/Window.h"

namespace tess {
namespace {

// A handled side-button message answers TRUE, the others 0.
LRESULT mouseButtonAnswer(UINT msg) { return msg >= WM_XBUTTONDOWN && msg <= WM_XBUTTONDBLCLK ? TRUE : 0; }

}  // namespace

ButtonFace DecideButtonFace(const ButtonFace& current, int state, const std::wstring& imageKey, bool faceEnabled,
                            bool transferInProgress, COLORREF grayText, const std::wstring& normalKey,
                            const std::wstring& hoverKey) {
    if (transferInProgress) return current;
    ButtonFace wanted = current;
    switch (state) {
        case ImageButton::kNormal:
            wanted = {imageKey.empty() ? normalKey : imageKey, RGB(0, 0, 0), true};
            break;
        case ImageButton::kHover:
            wanted = {imageKey.empty() ? hoverKey : imageKey, RGB(255, 255, 255), true};
            break;
        case ImageButton::kDisabled:
            wanted = {imageKey.empty() ? normalKey : imageKey, grayText, false};
            break;
        default:
            return current;
    }
    if (!faceEnabled) wanted.captionColor = kDisabledCaptionColor;
    return wanted;
}

ImageButton* ImageButton::fromHandle(HWND hwnd) { return dynamic_cast<ImageButton*>(SkinControl::fromHandle(hwnd)); }

HWND ImageButton::create(Window& owner, const wchar_t* name, int id, const RECT& r, const wchar_t* caption) {
    return createControl(L"Tessaron.ImageButton", owner, name, id, r, caption);
}

void ImageButton::setFaceKeys(const std::wstring& normalKey, const std::wstring& hoverKey) {
    normalKey_ = normalKey;
    hoverKey_ = hoverKey;
    setState(kNormal);
}

void ImageButton::applyFace(const ButtonFace& wanted) {
    if (wanted == face_) return;  // no repaint, no flicker while the pointer moves
    face_ = wanted;
    invalidate();
}

void ImageButton::setState(int state, const std::wstring& imageKey) {
    // No pause before testing the flag: the runs set it on this same thread, so there is no
    // other writer to give way to.
    if (!hwnd_) return;
    bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    applyFace(DecideButtonFace(face_, state, imageKey, enabled, TransferInProgress(), GetSysColor(COLOR_GRAYTEXT),
                               normalKey_, hoverKey_));
}

void ImageButton::setEnabled(bool enabled) {
    if ((IsWindowEnabled(hwnd_) != FALSE) != enabled) EnableWindow(hwnd_, enabled);
    setState(enabled ? kNormal : kDisabled);
}

void ImageButton::setFont(FontRole role) {
    if (font_ == role) return;
    font_ = role;
    invalidate();
}

void ImageButton::showBusyPointer() {
    busyPointer_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void ImageButton::paintFace(HDC dc, const RECT& client) {
    DrawSkinImage(dc, face_.imageKey, client);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, face_.captionColor);
    Selection selected(dc, window_->font(font_));
    std::wstring caption = text();
    RECT rc = client;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rc,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool ImageButton::acts(UINT mouseMessage) const {
    if (!leftButtonOnly_) return true;
    return mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_LBUTTONDBLCLK || mouseMessage == WM_LBUTTONUP;
}

void ImageButton::onMouseMove() {
    busyPointer_ = false;
    HideTipIfMoved();
    // The window's other buttons go back to normal: only one face is lit at a time.
    for (HWND sibling = GetWindow(GetParent(hwnd_), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT))
        if (ImageButton* b = fromHandle(sibling); b && b != this) b->setState(kNormal);
    setState(IsWindowEnabled(hwnd_) ? kHover : kDisabled);
    if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
        tracking_ = TrackMouseEvent(&tme) != FALSE;
    }
}

LRESULT ImageButton::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ENABLE:
            setState(wp ? kNormal : kDisabled);
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, busyPointer_ ? IDC_WAIT : IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            onMouseMove();
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            setState(IsWindowEnabled(hwnd_) ? kNormal : kDisabled);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK:
            if (acts(msg)) beginPress();
            return mouseButtonAnswer(msg);
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_XBUTTONUP:
            if (acts(msg) && endPress(lp) && IsWindowEnabled(hwnd_)) notifyParent(BN_CLICKED);
            return mouseButtonAnswer(msg);
        case WM_RBUTTONUP:
            ShowOrHideTip(2, TipText(window_->name() + L"." + name_), hwnd_);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        default:
            return SkinControl::onMessage(msg, wp, lp);
    }
}

}  // namespace tess
