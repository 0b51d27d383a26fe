#include "ui/ImageButton.h"

#include <windowsx.h>

#include "common/TransferState.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"
#include "ui/Window.h"

namespace tess {
namespace {

constexpr wchar_t kClass[] = L"Tessaron.ImageButton";
constexpr wchar_t kObjectProp[] = L"Tessaron.ImageButton";

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

ImageButton::~ImageButton() {
    if (hwnd_ && IsWindow(hwnd_)) RemovePropW(hwnd_, kObjectProp);
}

ImageButton* ImageButton::fromHandle(HWND hwnd) { return static_cast<ImageButton*>(GetPropW(hwnd, kObjectProp)); }

HWND ImageButton::create(Window& owner, const wchar_t* name, int id, const RECT& r, const wchar_t* caption) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ImageButton::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = nullptr;  // WM_SETCURSOR chooses the hand or the hourglass
        wc.lpszClassName = kClass;
        registered = RegisterClassExW(&wc) != 0;
    }
    window_ = &owner;
    id_ = id;
    name_ = name;
    hwnd_ = CreateWindowExW(0, kClass, caption, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, owner.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return nullptr;
    SetPropW(hwnd_, kObjectProp, this);
    SetAutomationId(hwnd_, name);
    return hwnd_;
}

void ImageButton::setCaption(const std::wstring& caption) {
    if (this->caption() == caption) return;
    SetWindowTextW(hwnd_, caption.c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

std::wstring ImageButton::caption() const { return WindowText(hwnd_); }

void ImageButton::setFaceKeys(const std::wstring& normalKey, const std::wstring& hoverKey) {
    normalKey_ = normalKey;
    hoverKey_ = hoverKey;
    setState(kNormal);
}

void ImageButton::applyFace(const ButtonFace& wanted) {
    if (wanted == face_) return;  // no repaint, no flicker while the pointer moves
    face_ = wanted;
    InvalidateRect(hwnd_, nullptr, FALSE);
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
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ImageButton::showBusyPointer() {
    busyPointer_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void ImageButton::click() {
    HideTip();  // a left click first closes any tip on screen
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
}

void ImageButton::showTip() {
    std::wstring key = window_->name() + L"." + name_;
    ShowOrHideTip(2, TipText(key), hwnd_);
}

void ImageButton::paint(HDC dc) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    PaintParentBackground(hwnd_, mem);
    DrawSkinImage(mem, face_.imageKey, rc);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, face_.captionColor);
    HGDIOBJ oldFont = SelectObject(mem, window_->font(font_));
    std::wstring text = caption();
    DrawTextW(mem, text.c_str(), static_cast<int>(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(mem, oldFont);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
}

LRESULT CALLBACK ImageButton::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ImageButton* self = fromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->onMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT ImageButton::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT: {
            LRESULT r = DefWindowProcW(hwnd_, msg, wp, lp);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return r;
        }
        case WM_ENABLE:
            setState(wp ? kNormal : kDisabled);
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, busyPointer_ ? IDC_WAIT : IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
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
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            setState(IsWindowEnabled(hwnd_) ? kNormal : kDisabled);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            pressed_ = true;
            SetCapture(hwnd_);
            return 0;
        case WM_LBUTTONUP: {
            bool wasPressed = pressed_;
            pressed_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            RECT rc;
            GetClientRect(hwnd_, &rc);
            if (wasPressed && PtInRect(&rc, pt) && IsWindowEnabled(hwnd_)) click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case WM_RBUTTONUP:
            showTip();
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        case WM_NCDESTROY:
            RemovePropW(hwnd_, kObjectProp);
            hwnd_ = nullptr;
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace tess
