#include "ui/Tips.h"

#include <htmlhelp.h>

#include <algorithm>
#include <memory>

#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "platform/Handle.h"
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

constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, which older SDK headers lack

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

// The tip: its text in the window's body font, bold runs in its bold one, beside the pointer
// where it opened; laid out again at each density.
class TipWindow : public Window {
public:
    TipWindow(const std::wstring& text, POINT at)
        : Window(L"ControlTip", {0, 0, 1, 1}, WindowFrame::kTip), lines_(ParseTipMarkup(text)), at_(at) {
        if (lines_.empty()) lines_.push_back({});  // an unknown key still shows an (empty) tip
    }
    POINT openedAt() const { return at_; }

protected:
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
                DestroyWindow(hwnd());  // a click on the tip itself puts it away
                return 0;
            case WM_MOUSEACTIVATE:
                return MA_NOACTIVATE;
            case WM_MOUSEMOVE:
                return 0;  // over the tip it stays; the background and the buttons hide it
            case kDpiChanged:
                // The base sizes the window to its design rectangle; the tip sizes itself.
                Window::onMessage(msg, wp, lp);
                onLayout();
                return 0;
            default:
                return Window::onMessage(msg, wp, lp);
        }
    }
    void onLayout() override;
    void paintBackground(HDC dc, const RECT& client) override;

private:
    HFONT fontOf(const TipRun& run) const { return font(run.bold ? FontRole::Bold : FontRole::Body); }
    int padding() const { return scale(9); }
    int stripeWidth() const { return std::max(4, padding() / 2); }

    std::vector<TipLine> lines_;
    POINT at_;
    int lineHeight_ = 0;
};

void TipWindow::onLayout() {
    const WindowDc screen(nullptr);
    TEXTMETRICW tm{};
    {
        Selection bold(screen.get(), font(FontRole::Bold));
        GetTextMetricsW(screen.get(), &tm);
    }
    lineHeight_ = tm.tmHeight + scale(2);
    int widest = 0;
    for (const auto& line : lines_) {
        int width = 0;
        for (const auto& run : line) {
            Selection selected(screen.get(), fontOf(run));
            SIZE s{};
            GetTextExtentPoint32W(screen.get(), run.text.c_str(), static_cast<int>(run.text.size()), &s);
            width += s.cx;
        }
        widest = std::max(widest, width);
    }
    const int width = widest + 2 * padding() + stripeWidth();
    const int height = static_cast<int>(lines_.size()) * lineHeight_ + 2 * padding();
    const POINT p = placeTip(at_, width, height, dpi());
    SetWindowPos(hwnd(), HWND_TOPMOST, p.x, p.y, width, height, SWP_NOACTIVATE);
}

void TipWindow::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kPanel));
    // An accent stripe on the left ties the tip to the skin.
    RECT stripe{0, 0, stripeWidth(), client.bottom};
    FillRect(dc, &stripe, brush(skin::kAccent));
    OutlineRect(dc, client, skin::kOutline);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, skin::kText);
    int y = padding();
    for (const auto& line : lines_) {
        int x = padding() + stripe.right;
        for (const auto& run : line) {
            Selection selected(dc, fontOf(run));
            TextOutW(dc, x, y, run.text.c_str(), static_cast<int>(run.text.size()));
            SIZE s{};
            GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &s);
            x += s.cx;
        }
        y += lineHeight_;
    }
}

// The single tip of the program (its window gone when a click on it closed it).
std::unique_ptr<TipWindow> gTip;

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
        HideTip();
        if (mouseButton != 2) return;
        POINT at{};
        GetCursorPos(&at);
        auto tip = std::make_unique<TipWindow>(text, at);
        if (tip->createModeless(window, SW_SHOWNOACTIVATE)) gTip = std::move(tip);
    } catch (...) {
    }
}

void HideTip() { gTip.reset(); }

void HideTipIfMoved() {
    if (!CurrentTipWindow()) return;
    POINT now{};
    GetCursorPos(&now);
    const POINT at = gTip->openedAt();
    int slack = GetSystemMetrics(SM_CXDRAG) * 2;
    if (std::abs(now.x - at.x) > slack || std::abs(now.y - at.y) > slack) HideTip();
}

HWND CurrentTipWindow() { return gTip ? gTip->hwnd() : nullptr; }

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
