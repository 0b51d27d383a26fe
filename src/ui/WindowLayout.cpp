// The Window base, layout and density: design pixels scaled to the monitor's density, the fonts
// of each density, the controls of the layout table, and the window's place on the screen.
#include "ui/Window.h"

#include <commctrl.h>

#include <algorithm>

#include "common/Log.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"

namespace tess {

int DpiForSystem() {
    const WindowDc screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
    return dpi > 0 ? dpi : 96;
}

int DpiForWindow(HWND hwnd) {
    // Looked up at run time: Windows 7 and Server 2008 R2 have only the system density.
    using Fn = UINT(WINAPI*)(HWND);
    static Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && hwnd) {
        UINT dpi = fn(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    return DpiForSystem();
}

RECT Window::scale(const DesignRect& r) const {
    return RECT{scale(r.x), scale(r.y), scale(r.x + r.width), scale(r.y + r.height)};
}

HFONT Window::font(FontRole role) const { return static_cast<HFONT>(fonts_[static_cast<int>(role)].get()); }

void Window::centre() {
    RECT area{};
    if (owner_ && IsWindowVisible(owner_)) {
        GetWindowRect(owner_, &area);
    } else {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    RECT me{};
    GetWindowRect(hwnd_, &me);
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    // Keep it on the monitor's work area even when the owner sits near an edge.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi);
    x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
    y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::buildFonts() {
    struct Def {
        int points10;
        int weight;
        const wchar_t* face;
    };
    // Arial is what the captions are designed for; it is metric-compatible on every system.
    static const Def defs[] = {{90, FW_NORMAL, L"Arial"},
                               {90, FW_BOLD, L"Arial"},
                               {95, FW_BOLD, L"Arial"},
                               {150, FW_BOLD, L"Arial"},
                               {80, FW_NORMAL, L"Arial"}};
    for (int i = 0; i < 5; ++i) {
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(defs[i].points10, dpi_, 720);
        lf.lfWeight = defs[i].weight;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        wcscpy_s(lf.lfFaceName, defs[i].face);
        fonts_[i].reset(CreateFontIndirectW(&lf));
    }
}

void Window::applyDensity(int dpi) {
    dpi_ = dpi > 0 ? dpi : 96;
    // The old fonts go only after every control has the new ones (at the end of this function):
    // a control must never paint with a deleted font.
    UniqueGdi oldFonts[5];
    std::move(std::begin(fonts_), std::end(fonts_), std::begin(oldFonts));
    buildFonts();
    SetWindowPos(hwnd_, nullptr, 0, 0, scale(design_.width), scale(design_.height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (auto& c : controls_) {
        RECT r = scale(c.rect);
        if (dwp)
            dwp = DeferWindowPos(dwp, c.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.kind == ControlKind::Native) SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(FontRole::Body)), FALSE);
    }
    if (dwp) EndDeferWindowPos(dwp);
    try {
        onLayout();
    } catch (...) {
    }
    reround();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Window::reround() {
    // A rounded window keeps its corners when its size changes: the region is in pixels.
    UniqueGdi probe(CreateRectRgn(0, 0, 0, 0));
    if (probe && GetWindowRgn(hwnd_, static_cast<HRGN>(probe.get())) != ERROR) RoundedBorder(hwnd_, name_);
}

void Window::setDesignSize(int width, int height) {
    design_.width = width;
    design_.height = height;
    if (!hwnd_) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, scale(width), scale(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    reround();
}

HWND Window::addControl(const ControlSpec& spec) {
    Control c{spec.id, nullptr, spec.kind, spec.rect, nullptr, nullptr};
    RECT r = scale(spec.rect);
    switch (spec.kind) {
        case ControlKind::ImageButton:
            c.button = std::make_unique<ImageButton>();
            c.hwnd = c.button->create(*this, spec.name, spec.id, r, spec.text);
            break;
        case ControlKind::Label:
        case ControlKind::Picture:
        case ControlKind::CaptionBar:
        case ControlKind::CloseBox: {
            c.label = std::make_unique<SkinLabel>();
            SkinLabel::Mode mode = spec.kind == ControlKind::Label       ? SkinLabel::Mode::Text
                                   : spec.kind == ControlKind::Picture   ? SkinLabel::Mode::Image
                                   : spec.kind == ControlKind::CloseBox  ? SkinLabel::Mode::Image
                                                                         : SkinLabel::Mode::Text;
            c.hwnd = c.label->create(*this, spec.name, spec.id, r, spec.text, mode);
            if (spec.kind == ControlKind::CaptionBar) c.label->setDragsWindow(true);
            if (spec.kind == ControlKind::CloseBox) c.label->setClickable(true);
            break;
        }
        case ControlKind::Native:
            c.hwnd = CreateWindowExW(spec.exStyle, spec.nativeClass, spec.text, WS_CHILD | spec.style, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), GetModuleHandleW(nullptr),
                                     nullptr);
            if (c.hwnd) {
                SetAutomationId(c.hwnd, spec.name);
                SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(FontRole::Body)), FALSE);
            }
            break;
    }
    if (!c.hwnd) {
        TraceError(L"Window::addControl", std::wstring(L" ") + spec.name);
        return nullptr;
    }
    HWND h = c.hwnd;
    controls_.push_back(std::move(c));
    return h;
}

void Window::addControls(const ControlSpec* specs, size_t count) {
    for (size_t i = 0; i < count; ++i) addControl(specs[i]);
}

HWND Window::control(int id) const {
    for (auto& c : controls_)
        if (c.id == id) return c.hwnd;
    return nullptr;
}

ImageButton* Window::button(int id) const {
    for (auto& c : controls_)
        if (c.id == id) return c.button.get();
    return nullptr;
}

SkinLabel* Window::label(int id) const {
    for (auto& c : controls_)
        if (c.id == id) return c.label.get();
    return nullptr;
}

void Window::placeControl(int id, const DesignRect& rect) {
    for (auto& c : controls_) {
        if (c.id != id) continue;
        c.rect = rect;
        RECT r = scale(rect);
        SetWindowPos(c.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

DesignRect Window::controlRect(int id) const {
    for (auto& c : controls_)
        if (c.id == id) return c.rect;
    return {};
}

void Window::showControl(int id, bool show) {
    HWND h = control(id);
    // The control's own flag, not IsWindowVisible: a window still hidden itself makes every
    // control look hidden, and the change would be skipped.
    if (h && isControlShown(id) != show) ShowWindow(h, show ? SW_SHOWNA : SW_HIDE);
}

bool Window::isControlShown(int id) const {
    HWND h = control(id);
    return h && (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Window::resetButtonFaces() {
    for (auto& c : controls_)
        if (c.button) c.button->setState(ImageButton::kNormal);
}

void Window::enableControls(std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) {
        EnableWindow(control(id), enabled);
        if (ImageButton* b = button(id)) {
            b->setEnabled(enabled);
            b->setState(enabled ? ImageButton::kNormal : ImageButton::kDisabled);
        }
    }
}

void Window::setProgressPercent(int id, double percent) {
    HWND bar = control(id);
    const auto high = static_cast<double>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    const int position = static_cast<int>(percent * high / 100.0);
    if (static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) != position) SendMessageW(bar, PBM_SETPOS, position, 0);
}

}  // namespace tess
