#include "ui/Tips.h"

#include <htmlhelp.h>

#include <algorithm>

#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "ui/Skin.h"
#include "ui/Window.h"

namespace tess {
namespace {

struct TipEntry {
    const wchar_t* key;
    const wchar_t* text;
};

constexpr wchar_t kExchangeDestinationTip[] =
    L"<br>Select the external drive connected to your local <br>computer for the MS Exchange Server data transfer<br>";

const TipEntry kTips[] = {
    {L"frmSQLDataList.cmdTempfolder",
     L"<br>Select a temporary location on your local computer for <br>the SQL Server data transfer. Ensure adequate "
     L"disk space here <br>to hold the database files (.dmp)<br>"},
    {L"frmSQLDataList.CmdSQLBack", L"<br>Go to the previous screen <br>"},
    {L"frmSQLDataList.CmdSQLNext",
     L"<br>Select the SQL Server database files and press <br>this button to transfer data to external device<br>"},
    {L"frmSQLDataList.cmdDestination",
     L"<br>Select the external drive connected to your local <br>computer for the SQL Server data transfer<br>"},
    {L"frmSQLDataList.cmdCalculateSize", L"<br>Know the size of the database files selected for data transfer<br>"},
    {L"frmSQLDataList.cmdCancel", L"<br>Exit the wizard <br>"},
    {L"frmExchange.cmdBrowse",
     L"<br>Select the Exchange Backup folder named 'OstrovaExchBackupset' <br>from your local computer <br>"},
    {L"frmExchange.cmdExchDestination", kExchangeDestinationTip},
    {L"frmExchange.cmdDestination", kExchangeDestinationTip},  // the button's design name
    {L"frmExchange.btnBrowse",
     L"<br>Select a temporary location on your local computer <br>for your MS Exchange Server data transfer. "
     L"<br>Ensure adequate disk space here <br>"},
    {L"frmExchange.CmdCancel", L"<br>Exit this Wizard <br>"},
    {L"frmExchange.CmdNext",
     L"<br>Select the MS Exchange Server mailbox stores and <br>press this button to transfer data to external "
     L"device<br>"},
    {L"frmSQLSvrLogin.cmdRefresh",
     L"<br>View a list of the SQL Server instances currently <br>available on your MS SQL Server <br>"},
    {L"frmSQLSvrLogin.CmdSQLLogin",
     L"<br>Connect to the selected MS SQL Server instance.<br><br>"
     L"<b>Windows Authentication Mode</b>  <br><br>"
     L"Use your Windows user authentication to authenticate with your MS SQL Server. <br><br>"
     L"<b>Mixed Mode (Windows Authentication and MS SQL Server Authentication)</b>  <br><br>"
     L"Use your MS SQL Server Authentication or the Windows User Authentication to <br>authenticate with your MS SQL "
     L"Server.< br >"},
    {L"frmSQLSvrLogin.CmdSQLCancel", L"<br>Exit this screen  <br>"},
    {L"frmLocalFileBrowse.CmdOk", L"<br>Commit your selection<br>"},
    {L"frmLocalFileBrowse.CmdCancel", L"<br>Exit this screen<br>"},
    {L"FrmAdvancedBackup.CmdSQLServerBackup",
     L"<br>Transfer your SQL Server databases to the <br>external device shipped by Ostrova.<br>"},
    {L"FrmAdvancedBackup.CmdExchangeServerBackup",
     L"<br>Transfer your Exchange Mailboxes to the <br>external device shipped by Ostrova.<br>"},
    {L"FrmAdvancedBackup.CmdSharePointServerBackup",
     L"<br>Transfer your SharePoint data to the <br>external device shipped by Ostrova.<br>"},
    {L"frmErrorReport1.cmdSend", L"<br>Email your query or feedback on the application <br>"},
    {L"frmErrorReport1.cmdExit", L"<br>Exit the screen<br>"},
};

std::function<void(HWND, const std::wstring&)>& helpHook() {
    static std::function<void(HWND, const std::wstring&)> hook;
    return hook;
}

// The single tip of the program and where the pointer was when it opened.
struct TipState {
    HWND window = nullptr;
    POINT at{};
};
TipState gTip;
bool gHelpOpened = false;

// Reads a tag at text[i] ('<' ... '>'), tolerating blanks inside ("< br >" is a break too).
// Returns the tag name in lower case and moves i past it; empty when it is no tag.
std::wstring readTag(std::wstring_view text, size_t& i) {
    size_t close = text.find(L'>', i);
    if (close == std::wstring_view::npos) return {};
    std::wstring name;
    for (size_t k = i + 1; k < close; ++k)
        if (text[k] != L' ') name += static_cast<wchar_t>(towlower(text[k]));
    if (name != L"br" && name != L"b" && name != L"/b") return {};
    i = close + 1;
    return name;
}

constexpr wchar_t kTipClass[] = L"Tessaron.Tip";

struct TipLayout {
    std::vector<TipLine> lines;
    HFONT normal = nullptr, bold = nullptr;
    int padding = 0, lineHeight = 0;
    SIZE size{};
};

TipLayout* tipLayout(HWND hwnd) { return reinterpret_cast<TipLayout*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void paintTip(HWND hwnd, HDC dc) {
    TipLayout* t = tipLayout(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH back = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &rc, back);
    DeleteObject(back);
    // An accent stripe on the left ties the tip to the skin.
    RECT stripe{0, 0, std::max(4, t->padding / 2), rc.bottom};
    HBRUSH accent = CreateSolidBrush(skin::kAccent);
    FillRect(dc, &stripe, accent);
    DeleteObject(accent);
    HPEN pen = CreatePen(PS_SOLID, 1, skin::kOutline);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 0, 0, rc.right, rc.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, skin::kText);
    int y = t->padding;
    for (const auto& line : t->lines) {
        int x = t->padding + stripe.right;
        for (const auto& run : line) {
            HGDIOBJ old = SelectObject(dc, run.bold ? t->bold : t->normal);
            TextOutW(dc, x, y, run.text.c_str(), static_cast<int>(run.text.size()));
            SIZE s{};
            GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &s);
            x += s.cx;
            SelectObject(dc, old);
        }
        y += t->lineHeight;
    }
}

LRESULT CALLBACK tipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (tipLayout(hwnd)) paintTip(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            HideTip();  // a click on the tip itself puts it away
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_NCDESTROY: {
            TipLayout* t = tipLayout(hwnd);
            if (t) {
                DeleteObject(t->normal);
                DeleteObject(t->bold);
                delete t;
            }
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (gTip.window == hwnd) gTip.window = nullptr;
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void registerTipClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = tipProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kTipClass;
    registered = RegisterClassExW(&wc) != 0;
}

// The tip's lines, fonts and spacing at the density, and the size of its text (widest line).
SIZE layOutTip(TipLayout& layout, const std::wstring& text, int dpi) {
    layout.lines = ParseTipMarkup(text);
    if (layout.lines.empty()) layout.lines.push_back({});  // an unknown key still shows (empty) tip
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcscpy_s(lf.lfFaceName, L"Arial");
    layout.normal = CreateFontIndirectW(&lf);
    lf.lfWeight = FW_BOLD;
    layout.bold = CreateFontIndirectW(&lf);
    layout.padding = MulDiv(9, dpi, 96);
    HDC dc = GetDC(nullptr);
    TEXTMETRICW tm{};
    HGDIOBJ old = SelectObject(dc, layout.bold);
    GetTextMetricsW(dc, &tm);
    layout.lineHeight = tm.tmHeight + MulDiv(2, dpi, 96);
    int widest = 0;
    for (const auto& line : layout.lines) {
        int w = 0;
        for (const auto& run : line) {
            SelectObject(dc, run.bold ? layout.bold : layout.normal);
            SIZE s{};
            GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &s);
            w += s.cx;
        }
        widest = std::max(widest, w);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{widest, static_cast<int>(layout.lines.size()) * layout.lineHeight};
}

// Below and right of the pointer, flipped to stay on the monitor's work area.
POINT placeTip(POINT at, int width, int height, int dpi) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &mi);
    int gap = MulDiv(12, dpi, 96);
    POINT p{at.x + gap / 2, at.y + gap};
    if (p.x + width > mi.rcWork.right) p.x = std::max<int>(mi.rcWork.left, at.x - width);
    if (p.y + height > mi.rcWork.bottom) p.y = std::max<int>(mi.rcWork.top, at.y - height - gap / 2);
    return p;
}

HWND createTip(const std::wstring& text, HWND owner, POINT at) {
    registerTipClass();
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    int dpi = DpiForWindow(root);
    auto* layout = new TipLayout;
    const SIZE textSize = layOutTip(*layout, text, dpi);
    int stripe = std::max(4, layout->padding / 2);
    int width = textSize.cx + 2 * layout->padding + stripe;
    int height = textSize.cy + 2 * layout->padding;
    const POINT p = placeTip(at, width, height, dpi);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTipClass, L"", WS_POPUP, p.x, p.y,
                               width, height, root, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip) {
        DeleteObject(layout->normal);
        DeleteObject(layout->bold);
        delete layout;
        return nullptr;
    }
    SetWindowLongPtrW(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(layout));
    SetAutomationId(tip, L"ControlTip");
    ShowWindow(tip, SW_SHOWNOACTIVATE);
    return tip;
}

}  // namespace

std::wstring TipText(std::wstring_view key) {
    for (const auto& e : kTips)
        if (EqualsNoCase(key, e.key)) return e.text;
    return {};
}

std::vector<TipLine> ParseTipMarkup(std::wstring_view text) {
    std::vector<TipLine> lines(1);
    bool bold = false;
    std::wstring run;
    auto flush = [&] {
        if (!run.empty()) lines.back().push_back({run, bold});
        run.clear();
    };
    for (size_t i = 0; i < text.size();) {
        if (text[i] == L'<') {
            size_t at = i;
            std::wstring tag = readTag(text, i);
            if (!tag.empty()) {
                flush();
                if (tag == L"br")
                    lines.emplace_back();
                else
                    bold = tag == L"b";
                continue;
            }
            i = at;
        }
        if (text[i] != L'\r' && text[i] != L'\n') run += text[i];
        ++i;
    }
    flush();
    // Trailing blanks before a break are the table's spacing, not text.
    for (auto& line : lines) {
        while (!line.empty()) {
            auto& last = line.back().text;
            while (!last.empty() && last.back() == L' ') last.pop_back();
            if (!last.empty()) break;
            line.pop_back();
        }
    }
    while (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

void ShowOrHideTip(int mouseButton, const std::wstring& text, HWND window, int /*style*/) {
    try {
        if (mouseButton != 2) {
            HideTip();
            return;
        }
        POINT at{};
        GetCursorPos(&at);
        HideTip();
        gTip.window = createTip(text, window, at);
        gTip.at = at;
    } catch (...) {
    }
}

void HideTip() {
    HWND tip = gTip.window;
    gTip.window = nullptr;
    if (tip && IsWindow(tip)) DestroyWindow(tip);
}

void HideTipIfMoved() {
    if (!gTip.window) return;
    POINT now{};
    GetCursorPos(&now);
    int slack = GetSystemMetrics(SM_CXDRAG) * 2;
    if (std::abs(now.x - gTip.at.x) > slack || std::abs(now.y - gTip.at.y) > slack) HideTip();
}

HWND CurrentTipWindow() { return gTip.window && IsWindow(gTip.window) ? gTip.window : nullptr; }

void CloseHelpWindows() {
    // Only when help was used: the call would otherwise load the help system just to close it.
    if (gHelpOpened) HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
    gHelpOpened = false;
}

void SetHelpHookForTesting(std::function<void(HWND, const std::wstring&)> hook) { helpHook() = std::move(hook); }

HWND ShowHelpFile(HWND window, const std::wstring& topicPath) {
    Window* w = Window::fromHandle(GetAncestor(window, GA_ROOT));
    std::wstring name = w ? w->name() : std::wstring();
    WriteTrace(L"Enter ShowHelpFile " + name + L" " + topicPath);
    HWND help = nullptr;
    try {
        if (helpHook()) {
            helpHook()(window, topicPath);
        } else {
            // The help system resolves a bare file name against the current folder, which is
            // not necessarily the program's: anchor it to the program folder.
            std::wstring path = topicPath;
            size_t sep = path.find(L"::");
            std::wstring file = path.substr(0, sep);
            if (file.find(L'\\') == std::wstring::npos && file.find(L':') == std::wstring::npos)
                path = ProgramFolder() + L"\\" + path;
            help = HtmlHelpW(window, path.c_str(), HH_DISPLAY_TOPIC, 0);
            gHelpOpened = true;
        }
    } catch (...) {
    }
    WriteTrace(L"Exit ShowHelpFile");
    return help;
}

}  // namespace tess
