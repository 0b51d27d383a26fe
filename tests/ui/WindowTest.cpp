// The window base with its skinned controls, in one small window: the Alt-key table before the
// focused control, Tab between tab stops, the control colours, AutomationIds, the image button's
// faces (as values, then on the button) and its click.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/ImageButton.h"
#include "ui/Window.h"

namespace tess {
namespace {

class TestWindow : public Window {
public:
    enum { kGo = 1, kFirst, kSecond, kNote };
    TestWindow() : Window(L"frmTest", {0, 0, 240, 140}) {}
    std::vector<int> commands;

protected:
    bool onCreate() override {
        static const ControlSpec layout[] = {
            {L"cmdGo", kGo, ControlKind::ImageButton, {10, 100, 100, 25}, L"Go"},
            {L"txtFirst", kFirst, ControlKind::Native, {10, 10, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP},
            {L"txtSecond", kSecond, ControlKind::Native, {10, 40, 200, 22}, L"", L"EDIT", WS_VISIBLE | WS_TABSTOP},
            {L"lblNote", kNote, ControlKind::Label, {10, 70, 200, 20}, L"note"},
        };
        addControls(layout);
        setAltKeys({{'G', kGo}});
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

// Which modifiers an Alt key takes: the main window's key table.
TEST(WindowBase, AltKeysActBeforeTheFocusedControlAndTabMovesOn) {
    TestWindow w;
    ASSERT_TRUE(w.createModeless(nullptr));
    HWND first = w.control(TestWindow::kFirst), second = w.control(TestWindow::kSecond);
    SetForegroundWindow(w.hwnd());
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);

    // Alt+G typed into an edit box: the window clicks its command, the edit box never sees it.
    test::PostAltKey(first, 'G');
    test::PumpThroughPreTranslate();
    EXPECT_EQ(w.commands, std::vector<int>{TestWindow::kGo});

    for (HWND expected : {second, first}) {  // and round again; the label is no tab stop
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        test::PumpThroughPreTranslate();
        EXPECT_EQ(GetFocus(), expected);
    }
}

TEST(WindowBase, ControlColoursComeWithTheWindowsOwnBrushAndNamesWithTheirAtoms) {
    TestWindow w;
    ASSERT_TRUE(w.create(nullptr));
    HDC dc = GetDC(w.hwnd());
    auto edit = SendMessageW(w.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(w.control(TestWindow::kFirst)));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    LOGBRUSH brush{};
    ASSERT_NE(GetObjectW(reinterpret_cast<HBRUSH>(edit), sizeof brush, &brush), 0);
    EXPECT_EQ(brush.lbColor, RGB(1, 2, 3));
    // Asked again: the same brush, not a new one per paint.
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0), edit);
    ReleaseDC(w.hwnd(), dc);

    // The atoms go with the window: a window made a thousand times must not exhaust them.
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(w.control(TestWindow::kNote), L"AutomationId")));
    ASSERT_NE(atom, 0);
    w.endModal();
    EXPECT_EQ(w.hwnd(), nullptr);
    wchar_t name[64];
    EXPECT_EQ(GlobalGetAtomNameW(atom, name, 64), 0u);
}

TEST(ButtonFace, StatesKeysColoursAndTheInProgressFlag) {
    const COLORREF gray = RGB(109, 109, 109), white = RGB(255, 255, 255);
    const ButtonFace start{L"button_enb", RGB(0, 0, 0), true};
    // state, key, face enabled, in progress; image, caption colour, caption enabled
    const std::tuple<int, const wchar_t*, bool, bool, ButtonFace> cases[] = {
        {1, L"", true, false, {L"button_ovr", white, true}},
        {2, L"", true, false, {L"button_enb", gray, false}},
        {1, L"buttondata_ovr", true, false, {L"buttondata_ovr", white, true}},
        // A disabled face keeps its own grey whatever is asked.
        {1, L"", false, false, {L"button_ovr", kDisabledCaptionColor, true}},
        {2, L"", false, false, {L"button_enb", kDisabledCaptionColor, false}},
        // While a transfer ships nothing changes.
        {1, L"", true, true, start},
        {2, L"", false, true, start},
    };
    for (const auto& [state, key, enabled, inProgress, expected] : cases) {
        SCOPED_TRACE(testing::Message() << "state " << state << " key " << key << " enabled " << enabled
                                        << " in progress " << inProgress);
        ButtonFace got = DecideButtonFace(start, state, key, enabled, inProgress, gray);
        EXPECT_EQ(std::tie(got.imageKey, got.captionColor, got.captionEnabled),
                  std::tie(expected.imageKey, expected.captionColor, expected.captionEnabled));
    }
}

// Which face each state gives is DecideButtonFace's table; here, that the button asks it.
TEST(ImageButtonWindow, HoverFacesAndActingOnReleaseInsideOnly) {
    TestWindow w;
    ASSERT_TRUE(w.create(nullptr));
    ImageButton* b = w.button(TestWindow::kGo);
    HWND h = b->hwnd();
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().imageKey, L"button_ovr");
    // The pointer over a label is over the background: the button goes back to normal.
    SendMessageW(w.control(TestWindow::kNote), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().imageKey, L"button_enb");

    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a release without a press
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(w.commands.empty()) << "nothing on the press";
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));  // released elsewhere
    EXPECT_TRUE(w.commands.empty());
    test::Click(h);
    EXPECT_EQ(w.commands.size(), 1u);
    b->setEnabled(false);
    test::Click(h);
    EXPECT_EQ(w.commands.size(), 1u) << "a disabled button does not act";
}

}  // namespace
}  // namespace tess
