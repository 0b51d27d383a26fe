// The message box: its decisions as values, and the real window driven with messages.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/MessageBoxWindow.h"
#include "ui/MessageLayout.h"
#include "ui/SkinLabel.h"

namespace tess {
namespace {

TEST(MessageTextPlan, ChoosesTheLabelAndTheLineEstimate) {
    struct Case {
        std::wstring text;
        bool shortText;
        int n;
        int height;
        const wchar_t* prefix;
    };
    const Case cases[] = {
        {std::wstring(60, L'a'), true, 0, 0, L""},
        {std::wstring(61, L'a'), false, 1, 900, L"\r\n\r\n"},
        {L"two\r\nlines", false, 1, 900, L"\r\n\r\n"},
        {std::wstring(90, L'a'), false, 2, 1150, L"\r\n"},   // 1.5 rounds to 2
        {std::wstring(150, L'a'), false, 2, 1150, L"\r\n"},  // 2.5 rounds to even
        {std::wstring(210, L'a'), false, 4, 1230, L"\r\n"},  // 3.5 rounds to even
        {std::wstring(300, L'a'), false, 5, 1230, L""},
        {std::wstring(330, L'a'), false, 6, 1450, L""},      // 5.5 rounds to even
        {std::wstring(40, L' ') + std::wstring(29, L'a') + std::wstring(10, L' '), false, 0, 1000, L"\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.text.size());
        MessageTextPlan plan = PlanMessageText(c.text);
        EXPECT_EQ(plan.shortText, c.shortText);
        if (c.shortText) {
            EXPECT_EQ(plan.labelText, c.text);
            continue;
        }
        EXPECT_EQ(plan.lineEstimate, c.n);
        EXPECT_EQ(plan.labelHeightTwips, c.height);
        EXPECT_EQ(plan.labelText, c.prefix + c.text);
    }
}

TEST(MessageKeys, AltLettersAndEnterPerSet) {
    struct Case {
        int set;
        unsigned vk;
        bool alt;
        int expected;  // -1: the key does nothing
    };
    const Case cases[] = {
        {0, 'O', true, 0},   {0, 'C', true, -1},  {0, VK_RETURN, false, 0}, {0, 'O', false, -1},
        {1, 'O', true, 0},   {1, 'C', true, 2},   {1, VK_RETURN, false, 2}, {1, 'Y', true, -1},
        {2, 'Y', true, 6},   {2, 'N', true, 7},   {2, VK_RETURN, false, 6}, {2, 'O', true, -1},
        {3, 'R', true, 4},   {3, 'C', true, 2},   {3, VK_RETURN, false, 0}, {3, 'I', true, -1},
        {4, 'I', true, 5},   {4, 'O', true, 0},   {4, VK_RETURN, false, 0}, {4, 'R', true, -1},
        {5, VK_RETURN, false, -1}, {5, 'O', true, -1}, {2, VK_F1, true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "set " << c.set << " key " << c.vk << " alt " << c.alt);
        auto code = ResultForKey(c.set, c.vk, c.alt);
        EXPECT_EQ(code.value_or(-1), c.expected);
    }
}

TEST(MessageCloseBox, NoOrCancelWinsOtherwiseThree) {
    EXPECT_EQ(ResultForCloseBox({L"OK"}), 3);
    EXPECT_EQ(ResultForCloseBox({L"OK", L"Cancel"}), 2);
    EXPECT_EQ(ResultForCloseBox({L"Yes", L"No"}), 7);
    EXPECT_EQ(ResultForCloseBox({L"Ok", L" Cancel ", L"Retry"}), 2);
    EXPECT_EQ(ResultForCloseBox({}), 3);
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

// The real window, created modeless and driven the way a user would.
class MesgBoxWindow : public testing::Test {
protected:
    void open(const std::wstring& text, int icon, int set) {
        ASSERT_TRUE(box_.create(nullptr));
        // Left hidden: the window works the same, and under Wine without a window manager
        // every visible top-level window costs two seconds to take down.
        box_.prepare(text, icon, set, L"Caption");
    }
    bool closed() { return box_.hwnd() == nullptr; }
    MesgBox box_;
};

TEST_F(MesgBoxWindow, EveryButtonOfEverySetEndsWithItsCode) {
    struct Case {
        int set;
        int index;
        int code;
    };
    const Case cases[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 2}, {2, 0, 6}, {2, 1, 7},
                          {3, 0, 0}, {3, 1, 2}, {3, 2, 4}, {4, 2, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "set " << c.set << " button " << c.index);
        MesgBox box;
        ASSERT_TRUE(box.create(nullptr));
        box.prepare(L"Proceed?", kIconQuestion, c.set, L"Tessaron");
        HWND button = box.control(MesgBox::kIdButton0 + c.index);
        ASSERT_TRUE(box.isControlShown(MesgBox::kIdButton0 + c.index));
        test::PostClick(button);
        ASSERT_TRUE(test::WaitFor([&] { return box.hwnd() == nullptr; }, 5000));
        EXPECT_EQ(box.result(), c.code);
    }
}

// Which code the close box gives is ResultForCloseBox's table; here, that the box asks it.
TEST_F(MesgBoxWindow, CloseBoxOfAYesNoBoxAnswersNo) {
    open(L"Show the report?", kIconQuestion, kButtonsYesNo);
    test::PostClick(box_.control(MesgBox::kIdClose));
    ASSERT_TRUE(test::WaitFor([&] { return closed(); }, 5000));
    EXPECT_EQ(box_.result(), kResultNo);
}

TEST_F(MesgBoxWindow, EnterOnOkCancelIsCancelAndAltLettersInBothCases) {
    open(L"Continue?", kIconWarning, kButtonsOkCancel);
    PostMessageW(box_.hwnd(), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(test::WaitFor([&] { return closed(); }, 5000));
    EXPECT_EQ(box_.result(), kResultCancel);

    // Alt+y, with and without Shift: the key code is the letter whatever the case.
    MesgBox box;
    ASSERT_TRUE(box.create(nullptr));
    box.prepare(L"Continue?", kIconQuestion, kButtonsYesNo, L"Tessaron");
    test::PostAltKey(box.hwnd(), 'X');  // not a letter of the set
    PostMessageW(box.hwnd(), WM_KEYDOWN, 'Y', 1);                // no Alt
    test::PumpMessages();
    ASSERT_NE(box.hwnd(), nullptr);
    test::PostAltKey(box.hwnd(), 'Y');
    ASSERT_TRUE(test::WaitFor([&] { return box.hwnd() == nullptr; }, 5000));
    EXPECT_EQ(box.result(), kResultYes);
}

TEST_F(MesgBoxWindow, TheTextChoosesItsLabelAndFitsWhole) {
    open(L"Done.", kIconInformation, kButtonsOk);
    EXPECT_TRUE(box_.isControlShown(MesgBox::kIdSmallText));
    EXPECT_FALSE(box_.isControlShown(MesgBox::kIdText));
    EXPECT_EQ(box_.label(MesgBox::kIdSmallText)->text(), L"Done.");
    // The icon asked for is the only one shown.
    EXPECT_TRUE(box_.isControlShown(MesgBox::kIdIcon0));
    EXPECT_FALSE(box_.isControlShown(MesgBox::kIdIcon0 + 1));

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
    static bool ownerWasDisabled;
    static HWND boxSeen;
    ownerWasDisabled = false;
    boxSeen = nullptr;
    static HWND ownerHandle;
    ownerHandle = owner;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindByAutomationId(nullptr, L"MesgBox");
        if (!box) return;
        KillTimer(nullptr, id);
        boxSeen = box;
        ownerWasDisabled = !IsWindowEnabled(ownerHandle);
        HWND no = FindByAutomationId(box, L"cmdButton1");
        test::PostClick(no);
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
