// The window base: the Alt-key table before the focused control, Tab between tab stops, the
// control colours, AutomationIds.
#include <gtest/gtest.h>

#include <vector>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace tess {
namespace {

class TwoEdits : public Window {
public:
    enum { kFirst = 1, kSecond, kNote };
    TwoEdits() : Window(L"frmTwoEdits", {0, 0, 240, 120}) {}
    std::vector<int> commands;

protected:
    bool onCreate() override {
        static const ControlSpec layout[] = {
            {L"txtFirst", kFirst, ControlKind::Native, {10, 10, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP},
            {L"txtSecond", kSecond, ControlKind::Native, {10, 40, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP},
            {L"lblNote", kNote, ControlKind::Label, {10, 70, 200, 20}, L"note"},
        };
        addControls(layout);
        setAltKeys({{'S', kSecond}});
        return true;
    }
    void onCommand(int id, int code, HWND) override {
        if (code == BN_CLICKED) commands.push_back(id);
    }
    std::optional<ControlColors> controlColors(UINT msg, HWND) const override {
        if (msg == WM_CTLCOLOREDIT) return ControlColors{RGB(1, 2, 3)};
        return std::nullopt;
    }
};

void pumpThroughPreTranslate() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Sets or clears the thread's own record of a held key, which GetKeyState reads.
void holdKey(int vk, bool down) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[vk] = down ? 0x80 : 0;
    SetKeyboardState(state);
}

TEST(WindowBase, AltKeysActBeforeTheFocusedControlOnlyWithAltAloneAndTabMovesOn) {
    TwoEdits w;
    ASSERT_TRUE(w.createModeless(nullptr));
    HWND first = w.control(TwoEdits::kFirst), second = w.control(TwoEdits::kSecond);
    SetForegroundWindow(w.hwnd());
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);

    // Alt+S typed into an edit box: the window clicks its command, the edit box never sees it.
    test::PostAltKey(first, 'S');
    pumpThroughPreTranslate();
    EXPECT_EQ(w.commands, std::vector<int>{TwoEdits::kSecond});
    // AltGr is Ctrl+Alt and types a character on many keyboards: it clicks nothing; nor does a
    // letter outside the table.
    holdKey(VK_CONTROL, true);
    test::PostAltKey(first, 'S');
    pumpThroughPreTranslate();
    holdKey(VK_CONTROL, false);
    test::PostAltKey(first, 'Q');
    pumpThroughPreTranslate();
    EXPECT_EQ(w.commands.size(), 1u);

    PostMessageW(first, WM_KEYDOWN, VK_TAB, 1);
    pumpThroughPreTranslate();
    EXPECT_EQ(GetFocus(), second);
    PostMessageW(second, WM_KEYDOWN, VK_TAB, 1);
    pumpThroughPreTranslate();
    EXPECT_EQ(GetFocus(), first);  // and round again; the label is no tab stop
}

TEST(WindowBase, ControlColoursComeWithTheWindowsOwnBrush) {
    TwoEdits w;
    ASSERT_TRUE(w.create(nullptr));
    HDC dc = GetDC(w.hwnd());
    auto edit = SendMessageW(w.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(w.control(TwoEdits::kFirst)));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    LOGBRUSH brush{};
    ASSERT_NE(GetObjectW(reinterpret_cast<HBRUSH>(edit), sizeof brush, &brush), 0);
    EXPECT_EQ(brush.lbColor, RGB(1, 2, 3));
    // Asked again: the same brush, not a new one per paint.
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0), edit);
    ReleaseDC(w.hwnd(), dc);
}

TEST(WindowBase, EveryControlAndTheWindowCarryTheirDesignNames) {
    TwoEdits w;
    ASSERT_TRUE(w.create(nullptr));
    EXPECT_EQ(FindByAutomationId(nullptr, L"frmTwoEdits"), w.hwnd());
    for (auto [id, name] : {std::pair{1, L"txtFirst"}, std::pair{3, L"lblNote"}}) {
        SCOPED_TRACE(testing::Message() << name);
        EXPECT_EQ(FindByAutomationId(w.hwnd(), name), w.control(id));
    }
    // The atoms go with the window: a window made a thousand times must not exhaust them.
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(w.control(3), L"AutomationId")));
    ASSERT_NE(atom, 0);
    w.endModal();
    EXPECT_EQ(w.hwnd(), nullptr);
    wchar_t name[64];
    EXPECT_EQ(GlobalGetAtomNameW(atom, name, 64), 0u);
}

}  // namespace
}  // namespace tess
