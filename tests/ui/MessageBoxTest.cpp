// The message box: its decisions as values, and the real window driven with messages.
#include <gtest/gtest.h>

#include <tuple>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/MessageBox.h"
#include "ui/MessageBoxWindow.h"
#include "ui/MessageLayout.h"
#include "ui/SkinLabel.h"

namespace tess {
namespace {

TEST(MessageTextPlan, ChoosesTheLabelAndTheLineEstimate) {
    // text; lines, label height, leading breaks (a short text has no plan: lines -1)
    const std::tuple<std::wstring, int, int, const wchar_t*> cases[] = {
        {std::wstring(60, L'a'), -1, 0, L""},
        {std::wstring(61, L'a'), 1, 900, L"\r\n\r\n"},
        {L"two\r\nlines", 1, 900, L"\r\n\r\n"},
        {std::wstring(150, L'a'), 2, 1150, L"\r\n"},  // 2.5 rounds to even
        {std::wstring(210, L'a'), 4, 1230, L"\r\n"},  // 3.5 rounds to even
        {std::wstring(40, L' ') + std::wstring(29, L'a') + std::wstring(10, L' '), 0, 1000, L"\r\n\r\n"},
    };
    for (const auto& [text, lines, height, prefix] : cases) {
        SCOPED_TRACE(testing::Message() << "length " << text.size());
        MessageTextPlan plan = PlanMessageText(text);
        EXPECT_EQ(plan.shortText, lines < 0);
        EXPECT_EQ(plan.labelText, prefix + text);
        EXPECT_EQ(std::tie(plan.lineEstimate, plan.labelHeightTwips), std::make_tuple(lines < 0 ? 0 : lines, height));
    }
}

TEST(MessageKeys, AltLettersAndEnterPerSet) {
    // set, key, Alt held; code (-1: the key does nothing)
    const std::tuple<int, unsigned, bool, int> cases[] = {
        {0, 'O', true, 0},  {0, 'C', true, -1}, {0, 'O', false, -1},      {1, 'C', true, 2},
        {1, VK_RETURN, false, 2}, {2, 'N', true, 7}, {2, VK_RETURN, false, 6}, {2, 'O', true, -1},
        {3, 'R', true, 4},  {3, VK_RETURN, false, 0}, {4, 'I', true, 5}, {4, 'R', true, -1},
        {5, VK_RETURN, false, -1}, {2, VK_F1, true, -1},
    };
    for (const auto& [set, vk, alt, expected] : cases)
        EXPECT_EQ(ResultForKey(set, vk, alt).value_or(-1), expected) << "set " << set << " key " << vk << " " << alt;
}

TEST(MessageCloseBox, NoOrCancelWinsOtherwiseThree) {
    EXPECT_EQ(ResultForCloseBox({L"OK"}), 3);
    EXPECT_EQ(ResultForCloseBox({L"Yes", L"No"}), 7);
    EXPECT_EQ(ResultForCloseBox({L"Ok", L" Cancel ", L"Retry"}), 2);
}

TEST(MessageLayout, ButtonRowsAreCentredInsideTheStrip) {
    using namespace mesgbox;
    for (int count = 1; count <= 3; ++count) {
        SCOPED_TRACE(count);
        MessageLayout l = LayoutMessageBox({100, 300, count});
        int first = l.buttonLeft[0];
        int last = l.buttonLeft[count - 1] + kFaceWidth;
        EXPECT_GE(first, kButtonGap - 1);
        EXPECT_LE(last, l.stripWidth - kButtonGap + 1);
        EXPECT_NEAR(first, l.stripWidth - last, 1);
        for (int i = 1; i < count; ++i) EXPECT_EQ(l.buttonLeft[i], l.buttonLeft[i - 1] + kFaceWidth + kButtonGap);
    }
    // A tiny text still gives a window one face wide.
    EXPECT_EQ(LayoutMessageBox({150, 300, 1}).textWidth, kFaceWidth);
}

// The real window, created modeless and driven the way a user would. Left hidden: it works the
// same, and under Wine without a window manager every visible top-level window costs two
// seconds to take down.
struct OpenBox {
    explicit OpenBox(int set) {
        box.create(nullptr);
        box.prepare(L"Proceed?", kIconQuestion, set, L"Tessaron");
    }
    int endsWith() {
        return test::WaitFor([&] { return box.hwnd() == nullptr; }, 5000) ? box.result() : -1;
    }
    MesgBox box;
};

// Which code each key and the close box give is the tables' above; here, that the box asks them.
TEST(MesgBoxWindow, ButtonsKeysAndTheCloseBoxEndItWithTheirCodes) {
    const std::tuple<int, int, int> clicks[] = {{0, 0, 0}, {1, 1, 2}, {2, 0, 6}, {2, 1, 7}, {3, 2, 4}, {4, 2, 5}};
    for (const auto& [set, index, code] : clicks) {
        SCOPED_TRACE(testing::Message() << "set " << set << " button " << index);
        OpenBox open(set);
        ASSERT_TRUE(open.box.isControlShown(MesgBox::kIdButton0 + index));
        test::PostClick(open.box.control(MesgBox::kIdButton0 + index));
        EXPECT_EQ(open.endsWith(), code);
    }
    OpenBox closed(kButtonsYesNo);
    test::PostClick(closed.box.control(MesgBox::kIdClose));
    EXPECT_EQ(closed.endsWith(), kResultNo);

    OpenBox keyed(kButtonsYesNo);
    test::PostAltKey(keyed.box.hwnd(), 'X');  // not a letter of the set
    PostMessageW(keyed.box.hwnd(), WM_KEYDOWN, 'Y', 1);  // no Alt
    test::PumpMessages();
    ASSERT_NE(keyed.box.hwnd(), nullptr);
    test::PostAltKey(keyed.box.hwnd(), 'Y');
    EXPECT_EQ(keyed.endsWith(), kResultYes);
}

TEST(MesgBoxWindow, ALongTextFitsWholeAboveTheButtons) {
    // A long text, and a path longer than a line that must break inside itself: the whole text
    // fits in its label, and the button stays inside the window below it.
    std::wstring prose;
    for (int i = 0; i < 40; ++i) prose += L"The quick brown fox jumps over the lazy dog. ";
    for (const std::wstring& text : {prose, L"C:\\" + std::wstring(150, L'x') + L"\\OSTROVASQLTEMP"}) {
        SCOPED_TRACE(text.size());
        MesgBox large;
        ASSERT_TRUE(large.create(nullptr));
        large.prepare(text, kIconWarning, kButtonsOk, L"");
        EXPECT_TRUE(large.isControlShown(MesgBox::kIdText));
        const int width = large.controlRect(MesgBox::kIdText).width;
        SIZE needed = large.label(MesgBox::kIdText)->measureText(width);
        EXPECT_LE(needed.cx, width);
        EXPECT_GE(large.controlRect(MesgBox::kIdText).height, needed.cy);
        RECT window, label, button;
        GetWindowRect(large.hwnd(), &window);
        GetWindowRect(large.control(MesgBox::kIdText), &label);
        GetWindowRect(large.control(MesgBox::kIdButton0), &button);
        EXPECT_LE(button.bottom, window.bottom);
        EXPECT_GE(button.top, label.bottom - 1);
    }
}

TEST(ShowMessage, RunsModallyOverItsOwnerAndGivesTheFocusBack) {
    // A real modal run: a timer of this thread finds the box and presses "No".
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    static HWND ownerHandle, boxSeen;
    static bool ownerWasDisabled;
    ownerHandle = owner;
    boxSeen = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!(boxSeen = FindByAutomationId(nullptr, L"MesgBox"))) return;
        KillTimer(nullptr, id);
        ownerWasDisabled = !IsWindowEnabled(ownerHandle);
        test::PostClick(FindByAutomationId(boxSeen, L"cmdButton1"));
    });
    int code = ShowMessage(L"Show the report?", kIconQuestion, kButtonsYesNo, L"Tessaron");
    KillTimer(nullptr, timer);
    EXPECT_EQ(code, kResultNo);
    EXPECT_NE(boxSeen, nullptr);
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(boxSeen));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace tess
