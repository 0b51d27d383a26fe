#include "ui/SkinLabel.h"

#include <windowsx.h>

#include "ui/Skin.h"
#include "ui/Tips.h"
#include "ui/Window.h"

namespace tess {
namespace {

constexpr wchar_t kClass[] = L"Tessaron.Label";
constexpr wchar_t kObjectProp[] = L"Tessaron.Label";

}  // namespace

void PaintParentBackground(HWND child, HDC dc) {
    HWND parent = GetParent(child);
    POINT origin{0, 0};
    MapWindowPoints(child, parent, &origin, 1);
    POINT old;
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

SkinLabel::~SkinLabel() {
    if (hwnd_ && IsWindow(hwnd_)) RemovePropW(hwnd_, kObjectProp);
}

SkinLabel* SkinLabel::fromHandle(HWND hwnd) { return static_cast<SkinLabel*>(GetPropW(hwnd, kObjectProp)); }

HWND SkinLabel::create(Window& owner, const wchar_t* name, int id, const RECT& r, const wchar_t* textOrKey, Mode mode) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &SkinLabel::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = nullptr;
        wc.lpszClassName = kClass;
        registered = RegisterClassExW(&wc) != 0;
    }
    window_ = &owner;
    id_ = id;
    mode_ = mode;
    const wchar_t* text = mode == Mode::Text ? textOrKey : L"";
    if (mode == Mode::Image) imageKey_ = textOrKey;
    hwnd_ = CreateWindowExW(0, kClass, text, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                            owner.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                            nullptr);
    if (!hwnd_) return nullptr;
    SetPropW(hwnd_, kObjectProp, this);
    SetAutomationId(hwnd_, name);
    return hwnd_;
}

void SkinLabel::setText(const std::wstring& text) {
    if (this->text() == text) return;
    SetWindowTextW(hwnd_, text.c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

std::wstring SkinLabel::text() const { return WindowText(hwnd_); }

void SkinLabel::setImage(const std::wstring& key) {
    if (imageKey_ == key && mode_ == Mode::Image) return;
    imageKey_ = key;
    mode_ = Mode::Image;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void SkinLabel::setColor(COLORREF color) {
    if (color_ == color) return;
    color_ = color;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void SkinLabel::setFont(FontRole role) {
    font_ = role;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void SkinLabel::setFormat(UINT format) {
    format_ = format;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

SIZE SkinLabel::measureText(int wrapWidth) const {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, window_->font(font_));
    std::wstring t = text();
    RECT r{0, 0, wrapWidth > 0 ? window_->scale(wrapWidth) : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE);
    DrawTextW(dc, t.empty() ? L" " : t.c_str(), t.empty() ? 1 : static_cast<int>(t.size()), &r, flags);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    // Back to design pixels, rounded up so that the text never gets clipped.
    int dpi = window_->dpi();
    return SIZE{(r.right * 96 + dpi - 1) / dpi, (r.bottom * 96 + dpi - 1) / dpi};
}

void SkinLabel::paint(HDC dc) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    PaintParentBackground(hwnd_, mem);
    if (mode_ == Mode::Image) {
        DrawSkinImage(mem, imageKey_, rc);
    } else {
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, color_);
        HGDIOBJ oldFont = SelectObject(mem, window_->font(font_));
        std::wstring t = text();
        DrawTextW(mem, t.c_str(), static_cast<int>(t.size()), &rc, format_);
        SelectObject(mem, oldFont);
    }
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
}

LRESULT CALLBACK SkinLabel::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SkinLabel* self = fromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->onMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT SkinLabel::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, clickable_ ? IDC_HAND : IDC_ARROW));
            return TRUE;
        case WM_MOUSEMOVE:
            // A label is part of the background: the window's buttons go back to normal.
            window_->resetButtonFaces();
            HideTipIfMoved();
            return 0;
        case WM_LBUTTONDOWN:
            if (dragsWindow_) {
                StartCaptionDrag(GetAncestor(hwnd_, GA_ROOT));
            } else if (clickable_) {
                pressed_ = true;
                SetCapture(hwnd_);
            }
            return 0;
        case WM_LBUTTONUP: {
            bool wasPressed = pressed_;
            pressed_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            RECT rc;
            GetClientRect(hwnd_, &rc);
            if (clickable_ && wasPressed && PtInRect(&rc, pt)) {
                HideTip();
                SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id_, STN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
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
