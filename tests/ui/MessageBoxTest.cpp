// The message box: its decisions as values, and the real window driven with messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "common/MessageCatalog.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/MessageBox.h"
#include "ui/MessageBoxWindow.h"

namespace tess {
namespace {

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
    // A question that defaults to No; a set without No keeps its own default.
    EXPECT_EQ(ResultForKey(kButtonsYesNo, VK_RETURN, false, true).value_or(-1), kResultNo);
    EXPECT_EQ(ResultForKey(kButtonsOk, VK_RETURN, false, true).value_or(-1), kResultOk);
}

TEST(MessageCloseBox, NoOrCancelWinsOtherwiseThree) {
    EXPECT_EQ(ResultForCloseBox({L"OK"}), 3);
    EXPECT_EQ(ResultForCloseBox({L"Yes", L"No"}), 7);
    EXPECT_EQ(ResultForCloseBox({L"Ok", L" Cancel ", L"Retry"}), 2);
}

// The real window, created modeless and driven the way a user would. Left hidden: it works the
// same, and under Wine without a window manager every visible top-level window costs two
// seconds to take down.
struct OpenBox {
    explicit OpenBox(int set) {
        box.create(nullptr);
        box.prepare({L"Proceed?", kIconQuestion, static_cast<MessageButtons>(set), L"Tessaron"});
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
    test::PostAltKey(keyed.box.hwnd(), 'Y');
    EXPECT_EQ(keyed.endsWith(), kResultYes);
}

// The right and bottom edge (exclusive) of the pixels `text` really sets when drawn unclipped
// into `box` with `format`, as the label draws it.
POINT DrawnInk(HDC screen, HFONT font, const std::wstring& text, UINT format, const RECT& box) {
    const int w = box.right + 200, h = box.bottom + 200;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HGDIOBJ oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
    SetBkMode(dc, TRANSPARENT);
    RECT r = box;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOCLIP);
    GdiFlush();
    POINT ink{0, 0};
    const auto* px = static_cast<const DWORD*>(bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((px[y * w + x] & 0xFFFFFF) != 0xFFFFFF) {
                ink.x = std::max<LONG>(ink.x, x + 1);
                ink.y = std::max<LONG>(ink.y, y + 1);
            }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    return ink;
}

// Every message of the catalog shows whole: its drawn pixels stay inside the label the box sized
// for it (a label cuts off what is drawn beyond its edge).
TEST(MesgBoxWindow, EveryCatalogTextIsDrawnInsideItsLabel) {
    MesgBox box;
    ASSERT_TRUE(box.create(nullptr));
    HDC screen = GetDC(nullptr);
    int shown = 0;
    for (long code = 1; code <= 1011; ++code) {
        std::wstring text = GetMessageText(code);
        if (text.empty()) continue;
        SCOPED_TRACE(testing::Message() << "message " << code);
        box.prepare({text, kIconQuestion, kButtonsYesNo, L"Tessaron"});
        const bool oneLine = box.plan().shortText;
        HWND label = box.control(oneLine ? MesgBox::kIdSmallText : MesgBox::kIdText);
        RECT client{};
        GetClientRect(label, &client);
        UINT format = oneLine ? DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX : DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
        POINT ink = DrawnInk(screen, box.font(FontRole::Body), box.plan().labelText, format, client);
        EXPECT_LE(ink.x, client.right);
        EXPECT_LE(ink.y, client.bottom);
        ++shown;
    }
    ReleaseDC(nullptr, screen);
    EXPECT_GT(shown, 30);
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
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        if (!(boxSeen = FindByAutomationId(nullptr, L"MesgBox"))) return;
        KillTimer(nullptr, id);
        ownerWasDisabled = !IsWindowEnabled(ownerHandle);
        test::PostClick(FindByAutomationId(boxSeen, L"cmdButton1"));
    });
    int code = ShowMessage({L"Show the report?", kIconQuestion, kButtonsYesNo, L"Tessaron"});
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
