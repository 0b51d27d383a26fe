#include "ui/Window.h"

#include <windowsx.h>

#include <algorithm>

#include "common/Log.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/SkinControl.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"

namespace tess {
namespace {

constexpr wchar_t kWindowClass[] = L"Tessaron.Window";
constexpr wchar_t kObjectProp[] = L"Tessaron.Window";
constexpr wchar_t kAutomationProp[] = L"AutomationId";
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// Releases the atoms of a window and all its descendants: atoms are reference-counted
// machine-wide, and a message box created thousands of times must not exhaust them.
BOOL CALLBACK releaseChildId(HWND hwnd, LPARAM) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropW(hwnd, kAutomationProp)));
    if (atom) GlobalDeleteAtom(atom);
    return TRUE;
}

struct FindState {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK findChild(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<FindState*>(lp);
    if (GetAutomationId(hwnd) == s->name) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK findTopLevel(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    auto* s = reinterpret_cast<FindState*>(lp);
    if (GetAutomationId(hwnd) == s->name) {
        s->found = hwnd;
        return FALSE;
    }
    EnumChildWindows(hwnd, findChild, lp);
    return s->found == nullptr;
}

}  // namespace

void SetAutomationId(HWND hwnd, const wchar_t* name) {
    if (!hwnd || !name || !*name) return;
    auto old = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropW(hwnd, kAutomationProp)));
    if (old) GlobalDeleteAtom(old);
    ATOM atom = GlobalAddAtomW(name);
    if (atom) SetPropW(hwnd, kAutomationProp, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

std::wstring GetAutomationId(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, kAutomationProp)));
    if (!atom) return {};
    wchar_t buffer[256];
    UINT n = GlobalGetAtomNameW(atom, buffer, 256);
    return std::wstring(buffer, n);
}

HWND FindByAutomationId(HWND parent, const wchar_t* name) {
    FindState s{name, nullptr};
    if (parent) {
        if (GetAutomationId(parent) == name) return parent;
        EnumChildWindows(parent, findChild, reinterpret_cast<LPARAM>(&s));
    } else {
        EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&s));
    }
    return s.found;
}

int DpiForSystem() {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
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

void StartCaptionDrag(HWND topLevel) {
    ReleaseCapture();
    SendMessageW(topLevel, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

bool PreTranslateWindowMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    Window* window = Window::fromHandle(root);
    if (!window) return false;
    // Bit 29 is the context code: set when Alt is held. Posted keys do not update
    // GetKeyState, so the message itself is the only reliable witness.
    bool alt = msg.message == WM_SYSKEYDOWN && (msg.lParam & (1 << 29)) != 0;
    if (window->handleKey(static_cast<UINT>(msg.wParam), alt)) return true;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        // Tab moves between the window's edit boxes, lists and check boxes as in a dialog;
        // IsDialogMessage is not used because it would also act on Alt+letter and Enter.
        bool back = GetKeyState(VK_SHIFT) < 0;
        HWND next = GetNextDlgTabItem(root, GetFocus(), back);
        if (next) SetFocus(next);
        return next != nullptr;
    }
    return false;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Window::registerClass() {
    static bool done = false;
    if (done) return;
    // One class serves every window: the object, not the class, says what the window is.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Window::thunk;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kWindowClass;
    done = RegisterClassExW(&wc) != 0;
}

Window::Window(std::wstring designName, DesignRect design) : name_(std::move(designName)), design_(design) {}

Window::~Window() {
    if (hwnd_) DestroyWindow(hwnd_);
    for (HFONT f : fonts_)
        if (f) DeleteObject(f);
}

Window* Window::fromHandle(HWND hwnd) {
    return hwnd ? static_cast<Window*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

RECT Window::scale(const DesignRect& r) const {
    return RECT{scale(r.x), scale(r.y), scale(r.x + r.width), scale(r.y + r.height)};
}

HFONT Window::font(FontRole role) const { return fonts_[static_cast<int>(role)]; }

bool Window::create(HWND owner) {
    if (hwnd_) return true;
    registerClass();
    owner_ = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    DWORD exStyle = owner_ ? 0 : WS_EX_APPWINDOW;  // an ownerless window needs its task-bar button
    HWND hwnd = CreateWindowExW(exStyle, kWindowClass, name_.c_str(),
                                WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, 0, 0, design_.width,
                                design_.height, owner_, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd) {
        TraceError(L"Window::create", L" " + name_ + L" " + ErrorDescription(GetLastError()));
        return false;
    }
    applyDensity(DpiForWindow(hwnd_));
    bool ok = false;
    try {
        ok = onCreate();
    } catch (...) {
        TraceError(L"Window::create", L" " + name_ + L": building the controls failed");
    }
    if (!ok) {
        DestroyWindow(hwnd_);
        return false;
    }
    applyDensity(DpiForWindow(hwnd_));  // places what onCreate added
    centre();
    return true;
}

bool Window::createModeless(HWND owner, int showCommand) {
    if (!create(owner)) return false;
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

bool Window::runModal(HWND owner) {
    if (!create(owner)) return false;
    modalDone_ = false;
    inModalLoop_ = true;
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (ownerWasEnabled) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    bool quit = false;
    MSG msg;
    while (!modalDone_ && hwnd_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    inModalLoop_ = false;
    // The owner is enabled before this window goes, so that the system hands it the activation
    // instead of some other application's window.
    if (ownerWasEnabled) EnableWindow(owner_, TRUE);
    if (hwnd_) DestroyWindow(hwnd_);
    if (owner_ && IsWindow(owner_)) {
        SetActiveWindow(owner_);
        SetFocus(owner_);
    }
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return !quit;
}

void Window::endModal() {
    modalDone_ = true;
    if (inModalLoop_) {
        // Wakes the loop when called from outside a message of this window (a timer, a test).
        if (hwnd_) PostMessageW(hwnd_, WM_NULL, 0, 0);
    } else if (hwnd_) {
        DestroyWindow(hwnd_);
    }
}

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
        fonts_[i] = CreateFontIndirectW(&lf);
    }
}

void Window::applyDensity(int dpi) {
    dpi_ = dpi > 0 ? dpi : 96;
    // The old fonts go only after every control has the new ones: a control must never paint
    // with a deleted font.
    HFONT oldFonts[5];
    std::copy(std::begin(fonts_), std::end(fonts_), oldFonts);
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
    for (HFONT f : oldFonts)
        if (f) DeleteObject(f);
}

void Window::reround() {
    // A rounded window keeps its corners when its size changes: the region is in pixels.
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    bool rounded = probe && GetWindowRgn(hwnd_, probe) != ERROR;
    if (probe) DeleteObject(probe);
    if (rounded) RoundedBorder(hwnd_, name_);
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

bool Window::handleKey(UINT vk, bool alt) {
    try {
        if (alt && vk == VK_F4) {
            onClose();
            return true;
        }
        if (alt && altKey(vk)) return true;
        return onKey(vk, alt);
    } catch (...) {
        return false;
    }
}

bool Window::altKey(UINT vk) {
    // AltGr is Ctrl+Alt: on many keyboards it types a character and must not click anything.
    for (int modifier : {VK_CONTROL, VK_SHIFT, VK_LWIN, VK_RWIN})
        if (GetKeyState(modifier) < 0) return false;
    for (const AltKey& key : altKeys_) {
        if (static_cast<UINT>(key.letter) != vk) continue;
        onCommand(key.command, BN_CLICKED, control(key.command));
        return true;
    }
    return false;
}

HBRUSH Window::brush(COLORREF color) {
    for (const auto& [c, b] : brushes_)
        if (c == color) return static_cast<HBRUSH>(b.get());
    brushes_.emplace_back(color, UniqueGdi(CreateSolidBrush(color)));
    return static_cast<HBRUSH>(brushes_.back().second.get());
}

SkinLabel* Window::setUpCaption(int id, UINT drawTextFormat) {
    SkinLabel* caption = label(id);
    if (!caption) return nullptr;
    caption->setColor(skin::kBandText);
    caption->setFont(FontRole::Caption);
    if (drawTextFormat) caption->setFormat(drawTextFormat);
    return caption;
}

LRESULT Window::answerControlColor(UINT msg, WPARAM wp, LPARAM lp) {
    const auto colors = controlColors(msg, reinterpret_cast<HWND>(lp));
    if (!colors) return DefWindowProcW(hwnd_, msg, wp, lp);
    HDC dc = reinterpret_cast<HDC>(wp);
    SetBkColor(dc, colors->back);
    if (colors->text != CLR_INVALID) SetTextColor(dc, colors->text);
    return reinterpret_cast<LRESULT>(brush(colors->back));
}

void Window::paintBackground(HDC dc, const RECT& client) { FillRect(dc, &client, brush(skin::kBody)); }

void Window::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    PaintBuffered(dc, client, ps.rcPaint, [&](HDC mem) { paintBackground(mem, client); });
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK Window::thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = fromHandle(hwnd);
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetPropW(hwnd, kObjectProp, self);
        SetAutomationId(hwnd, self->name_.c_str());
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->dispatch(msg, wp, lp);
    } catch (...) {
        // A handler failed: trace it and carry on with the default behaviour, never crash the
        // message loop.
        TraceError(L"Window::onMessage", L" " + self->name_ + L" message " + std::to_wstring(msg));
        result = DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kObjectProp);
        releaseChildId(hwnd, 0);
        self->hwnd_ = nullptr;
        self->controls_.clear();
        if (self->inModalLoop_) self->modalDone_ = true;
    }
    return result;
}

LRESULT Window::dispatch(UINT msg, WPARAM wp, LPARAM lp) { return onMessage(msg, wp, lp); }

LRESULT Window::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            paintBackground(reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            return answerControlColor(msg, wp, lp);
        case WM_COMMAND:
            onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (handleKey(static_cast<UINT>(wp), msg == WM_SYSKEYDOWN && (lp & (1 << 29)) != 0)) return 0;
            break;
        case WM_SYSCHAR:
            return 0;  // Alt+letter without a meaning: no beep
        case WM_MOUSEMOVE:
            // Over the background: every button back to normal, and the tip goes once the
            // pointer really moved away from where it was opened.
            resetButtonFaces();
            HideTipIfMoved();
            break;
        case WM_CLOSE:
            onClose();
            return 0;
        case WM_NCHITTEST: {
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(hwnd_, &pt);
            if (pt.y >= 0 && pt.y < scale(captionBandHeight())) return HTCAPTION;
            break;
        }
        case WM_DPICHANGED: {
            auto* suggested = reinterpret_cast<RECT*>(lp);
            applyDensity(HIWORD(wp));
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, scale(design_.width), scale(design_.height),
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_DESTROY:
            EnumChildWindows(hwnd_, releaseChildId, 0);
            try {
                onDestroy();
            } catch (...) {
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

std::wstring WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return text;
}

}  // namespace tess
