#include "ui/SkinControl.h"

#include <windowsx.h>

#include <set>

#include "ui/Tips.h"

namespace tess {
namespace {

constexpr wchar_t kObjectProp[] = L"Tessaron.SkinControl";

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

SkinControl::~SkinControl() {
    if (hwnd_ && IsWindow(hwnd_)) RemovePropW(hwnd_, kObjectProp);
}

SkinControl* SkinControl::fromHandle(HWND hwnd) {
    return hwnd ? static_cast<SkinControl*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

HWND SkinControl::createControl(const wchar_t* className, Window& owner, const wchar_t* name, int id, const RECT& r,
                                const wchar_t* text) {
    static std::set<std::wstring> registered;
    if (!registered.count(className)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &SkinControl::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = nullptr;  // each kind answers WM_SETCURSOR itself
        wc.lpszClassName = className;
        if (RegisterClassExW(&wc)) registered.insert(className);
    }
    window_ = &owner;
    id_ = id;
    name_ = name;
    hwnd_ = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, owner.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return nullptr;
    SetPropW(hwnd_, kObjectProp, this);
    SetAutomationId(hwnd_, name);
    return hwnd_;
}

void SkinControl::setText(const std::wstring& text) {
    if (this->text() == text) return;
    SetWindowTextW(hwnd_, text.c_str());  // WM_SETTEXT repaints
}

void SkinControl::beginPress() {
    pressed_ = true;
    SetCapture(hwnd_);
}

bool SkinControl::endPress(LPARAM releasePoint) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
    POINT pt{GET_X_LPARAM(releasePoint), GET_Y_LPARAM(releasePoint)};
    RECT rc;
    GetClientRect(hwnd_, &rc);
    return wasPressed && PtInRect(&rc, pt);
}

void SkinControl::notifyParent(WORD code) {
    HideTip();  // a left click first closes any tip on screen
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id_, code), reinterpret_cast<LPARAM>(hwnd_));
}

void SkinControl::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT rc;
    GetClientRect(hwnd_, &rc);
    PaintBuffered(dc, rc, rc, [&](HDC mem) {
        PaintParentBackground(hwnd_, mem);
        paintFace(mem, rc);
    });
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK SkinControl::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SkinControl* self = fromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->onMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT SkinControl::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT: {
            LRESULT r = DefWindowProcW(hwnd_, msg, wp, lp);
            invalidate();
            return r;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case WM_NCDESTROY:
            RemovePropW(hwnd_, kObjectProp);
            hwnd_ = nullptr;
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

}  // namespace tess
