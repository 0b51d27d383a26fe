// The Window base, its message handling: the one window class and thunk, the dispatch of the
// messages every window shares, keys, control colours and painting; and the AutomationIds.
#include "ui/Window.h"

#include <windowsx.h>

#include "common/Log.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/SkinControl.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"

namespace tess {
namespace {

constexpr wchar_t kWindowClass[] = L"Tessaron.Window";
constexpr wchar_t kTipClass[] = L"Tessaron.Tip";
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

void Window::registerClass() {
    static bool done = false;
    if (done) return;
    // One class serves every window: the object, not the class, says what the window is. The
    // tips have one of their own only because a drop shadow is a class style.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Window::thunk;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kWindowClass;
    done = RegisterClassExW(&wc) != 0;
    wc.style = CS_DROPSHADOW;
    wc.hIcon = nullptr;
    wc.lpszClassName = kTipClass;
    done = RegisterClassExW(&wc) != 0 && done;
}

Window::Window(std::wstring designName, DesignRect design, WindowFrame frame)
    : name_(std::move(designName)), design_(design), frame_(frame) {}

Window::~Window() {
    if (hwnd_) DestroyWindow(hwnd_);
}

Window* Window::fromHandle(HWND hwnd) {
    return hwnd ? static_cast<Window*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

bool Window::create(HWND owner) {
    if (hwnd_) return true;
    registerClass();
    owner_ = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    const bool tip = frame_ == WindowFrame::kTip;
    DWORD exStyle = owner_ ? 0 : WS_EX_APPWINDOW;  // an ownerless window needs its task-bar button
    DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU;
    if (tip) {
        exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
        style = WS_POPUP;
    }
    HWND hwnd = CreateWindowExW(exStyle, tip ? kTipClass : kWindowClass, name_.c_str(), style, 0, 0, design_.width,
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
    if (!tip) centre();
    return true;
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
    // Shift only changes the letter's case, and both cases count. AltGr is Ctrl+Alt: on many
    // keyboards it types a character and must not click anything.
    for (int modifier : {VK_CONTROL, VK_LWIN, VK_RWIN})
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

bool Window::inCaptionBand(LPARAM screenPoint) const {
    POINT pt{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ScreenToClient(hwnd_, &pt);
    return pt.y >= 0 && pt.y < scale(captionBandHeight());
}

void Window::moveTo(const RECT& suggested) {
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, scale(design_.width), scale(design_.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::printClient(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    paintBackground(dc, client);
}

LRESULT Window::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_PRINTCLIENT:
            printClient(reinterpret_cast<HDC>(wp));
            return 0;
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
        case WM_NCHITTEST:
            if (inCaptionBand(lp)) return HTCAPTION;
            break;
        case WM_DPICHANGED:
            applyDensity(HIWORD(wp));
            moveTo(*reinterpret_cast<const RECT*>(lp));
            return 0;
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
