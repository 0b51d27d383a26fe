// The window base: keys before the focused control, Tab between tab stops, AutomationIds.
#include <gtest/gtest.h>

#include <vector>

#include "support/TestSupport.h"
#include "ui/Window.h"

namespace tess {
namespace {

class TwoEdits : public Window {
public:
    TwoEdits() : Window(L"frmTwoEdits", {0, 0, 240, 120}) {}
    std::vector<UINT> keys;

protected:
    bool onCreate() override {
        static const ControlSpec layout[] = {
            {L"txtFirst", 1, ControlKind::Native, {10, 10, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP | WS_BORDER},
            {L"txtSecond", 2, ControlKind::Native, {10, 40, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP | WS_BORDER},
            {L"lblNote", 3, ControlKind::Label, {10, 70, 200, 20}, L"note"},
        };
        addControls(layout);
        return true;
    }
    bool onKey(UINT vk, bool alt) override {
        if (!alt) return false;
        keys.push_back(vk);
        return true;
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

TEST(WindowBase, KeysReachTheWindowBeforeTheFocusedControlAndTabMovesOn) {
    TwoEdits w;
    ASSERT_TRUE(w.createModeless(nullptr));
    HWND first = w.control(1), second = w.control(2);
    SetForegroundWindow(w.hwnd());
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);

    // Alt+letter typed into an edit box: the window handles it, the edit box never sees it.
    PostMessageW(first, WM_SYSKEYDOWN, 'S', 0x20000001);
    pumpThroughPreTranslate();
    EXPECT_EQ(w.keys, std::vector<UINT>{'S'});

    PostMessageW(first, WM_KEYDOWN, VK_TAB, 1);
    pumpThroughPreTranslate();
    EXPECT_EQ(GetFocus(), second);
    PostMessageW(second, WM_KEYDOWN, VK_TAB, 1);
    pumpThroughPreTranslate();
    EXPECT_EQ(GetFocus(), first);  // and round again; the label is no tab stop
}

TEST(WindowBase, EveryControlAndTheWindowCarryTheirDesignNames) {
    TwoEdits w;
    ASSERT_TRUE(w.create(nullptr));
    EXPECT_EQ(GetAutomationId(w.hwnd()), L"frmTwoEdits");
    EXPECT_EQ(FindByAutomationId(nullptr, L"frmTwoEdits"), w.hwnd());
    for (auto [id, name] : {std::pair{1, L"txtFirst"}, std::pair{2, L"txtSecond"}, std::pair{3, L"lblNote"}}) {
        SCOPED_TRACE(testing::Message() << name);
        EXPECT_EQ(GetAutomationId(w.control(id)), name);
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
