// The skin: image list, rounded regions, image-button faces and density changes.
#include <gtest/gtest.h>

#include "common/TransferState.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/Window.h"

namespace tess {
namespace {

TEST(SkinImages, EveryKeyTheWindowsUseIsDrawnAndCached) {
    const wchar_t* keys[] = {L"button_enb", L"button_ovr", L"buttondata_enb", L"buttondata_ovr",
                             L"vx_big_cntr_bdr", L"vx_big_left_bdr", L"vx_big_right_bdr", L"vx_small_cntr_bdr",
                             L"vx_small_left_bdr", L"vx_small_right_bdr", L"vx_msg_info", L"vx_msg_question",
                             L"vx_msg_cross", L"vx_msg_warn", L"vx_small_close", L"vx_sql", L"vx_exchange",
                             L"vx_folder", L"vx_sql_login", L"vx_recal", L"folder", L"openfolder", L"file",
                             L"foldergray", L"openfoldergray", L"gray", L"mycomp", L"mydesktop", L"Drive",
                             L"drive", L"ADV_IMG", L"vx_mark", L"vx_help", L"vx_sharepoint"};
    for (const wchar_t* key : keys) EXPECT_TRUE(SkinHasImage(key)) << testing::PrintToString(std::wstring(key));
    HBITMAP small = SkinImage(L"vx_sql", 16, 16);
    ASSERT_NE(small, nullptr);
    // The same size gives the same handle: "is this already the picture" is a compare.
    EXPECT_EQ(SkinImage(L"vx_sql", 16, 16), small);
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(SkinImage(L"vx_sql", 40, 32), sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 40);
    EXPECT_EQ(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight, 32);
    EXPECT_FALSE(SkinHasImage(L"no_such_image"));
    EXPECT_EQ(SkinImage(L"no_such_image", 16, 16), nullptr);
    EXPECT_NE(SkinCursor(L"hand"), nullptr);
}

TEST(SkinImages, IconsAreTransparentAroundAndSolidInside) {
    HBITMAP bmp = SkinImage(L"vx_msg_info", 32, 32);
    ASSERT_NE(bmp, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bmp, sizeof dib, &dib), static_cast<int>(sizeof dib));
    auto* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    auto alpha = [&](int x, int y) { return bits[y * 32 + x] >> 24; };
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_EQ(alpha(31, 31), 0u);
    EXPECT_EQ(alpha(6, 16), 255u);  // inside the disc
    // The edge of the disc is anti-aliased: some pixel on the diagonal is partly covered.
    bool partial = false;
    for (int x = 0; x < 16; ++x) partial |= alpha(x, x) > 0 && alpha(x, x) < 255;
    EXPECT_TRUE(partial);
}

TEST(RoundedRegion, EdgesByWindowNameRoundedHalfToEven) {
    struct Case {
        const wchar_t* window;
        int w, h;
        int right, bottom;
    };
    const Case cases[] = {
        {L"frmSQLSvrLogin", 400, 300, 401, 301},     // + 0.75, + 1.25
        {L"FRMERRORREPORT1", 400, 300, 401, 301},
        {L"frmLocalFileBrowse", 401, 301, 402, 302},
        {L"MesgBox", 400, 300, 401, 301},            // + 0.75, + 1.0
        {L"mesgbox", 251, 120, 252, 121},
        {L"frmExchange", 400, 300, 400, 301},        // + 0.5: 400.5 rounds to 400
        {L"frmExchange", 401, 300, 402, 301},        // 401.5 rounds to 402
        {L"FrmAdvancedBackup", 476, 404, 476, 405},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window << " " << c.w << "x" << c.h);
        RegionEdges e = RoundedRegionEdges(c.window, c.w, c.h);
        EXPECT_EQ(e.right, c.right);
        EXPECT_EQ(e.bottom, c.bottom);
    }
}

TEST(ButtonFace, StatesKeysColoursAndTheInProgressFlag) {
    const COLORREF gray = RGB(109, 109, 109);
    const ButtonFace start{L"button_enb", RGB(0, 0, 0), true};
    struct Case {
        int state;
        const wchar_t* key;
        bool faceEnabled;
        bool inProgress;
        ButtonFace expected;
    };
    const Case cases[] = {
        {0, L"", true, false, {L"button_enb", RGB(0, 0, 0), true}},
        {1, L"", true, false, {L"button_ovr", RGB(255, 255, 255), true}},
        {2, L"", true, false, {L"button_enb", gray, false}},
        {1, L"buttondata_ovr", true, false, {L"buttondata_ovr", RGB(255, 255, 255), true}},
        // A disabled face keeps its own grey whatever is asked.
        {0, L"", false, false, {L"button_enb", kDisabledCaptionColor, true}},
        {1, L"", false, false, {L"button_ovr", kDisabledCaptionColor, true}},
        {2, L"", false, false, {L"button_enb", kDisabledCaptionColor, false}},
        // While a transfer ships nothing changes.
        {1, L"", true, true, start},
        {2, L"", false, true, start},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " key " << c.key << " enabled " << c.faceEnabled
                                        << " in progress " << c.inProgress);
        ButtonFace got = DecideButtonFace(start, c.state, c.key, c.faceEnabled, c.inProgress, gray);
        EXPECT_EQ(got.imageKey, c.expected.imageKey);
        EXPECT_EQ(got.captionColor, c.expected.captionColor);
        EXPECT_EQ(got.captionEnabled, c.expected.captionEnabled);
    }
}

// A window with one image button, the smallest thing built on the framework.
class OneButton : public Window {
public:
    OneButton() : Window(L"frmTest", {0, 0, 200, 100}) {}
    int clicks = 0;

protected:
    bool onCreate() override {
        static const ControlSpec layout[] = {
            {L"cmdGo", 1, ControlKind::ImageButton, {20, 30, 100, 25}, L"Go"},
            {L"lblNote", 2, ControlKind::Label, {20, 60, 100, 20}, L"note"},
        };
        addControls(layout);
        return true;
    }
    void onCommand(int id, int code, HWND) override {
        if (id == 1 && code == BN_CLICKED) ++clicks;
    }
};

TEST(ImageButtonWindow, HoverDisabledAndFrozenFaces) {
    OneButton w;
    ASSERT_TRUE(w.create(nullptr));
    ImageButton* b = w.button(1);
    HWND h = b->hwnd();
    EXPECT_EQ(b->face().imageKey, L"button_enb");

    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().imageKey, L"button_ovr");
    EXPECT_EQ(b->face().captionColor, RGB(255, 255, 255));
    // The pointer over a label is over the background: the button goes back to normal.
    SendMessageW(w.control(2), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().imageKey, L"button_enb");

    // Asking again for the state it has changes nothing, so nothing is repainted.
    UpdateWindow(h);
    ValidateRect(h, nullptr);
    b->setState(ImageButton::kNormal);
    EXPECT_FALSE(GetUpdateRect(h, nullptr, FALSE));

    SetTransferInProgress(true);
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().imageKey, L"button_enb");
    SetTransferInProgress(false);

    b->setEnabled(false);
    EXPECT_EQ(b->face().captionColor, kDisabledCaptionColor);
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b->face().captionColor, kDisabledCaptionColor);
    // A disabled button does not act.
    test::Click(h);
    EXPECT_EQ(w.clicks, 0);
}

TEST(ImageButtonWindow, ActsOnReleaseInsideOnly) {
    OneButton w;
    ASSERT_TRUE(w.create(nullptr));
    HWND h = w.control(1);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a release without a press
    EXPECT_EQ(w.clicks, 0);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(w.clicks, 0);  // nothing on the press
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));  // released elsewhere
    EXPECT_EQ(w.clicks, 0);
    test::Click(h);
    EXPECT_EQ(w.clicks, 1);
}

TEST(WindowDensity, ADensityChangeScalesTheWindowAndItsControls) {
    OneButton w;
    ASSERT_TRUE(w.create(nullptr));
    const int dpi = w.dpi();
    RoundedBorder(w.hwnd(), w.name());
    RECT before;
    GetWindowRect(w.control(1), &before);
    RECT suggested{0, 0, 300, 150};
    SendMessageW(w.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi * 2, dpi * 2), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.dpi(), dpi * 2);
    RECT after, window;
    GetWindowRect(w.control(1), &after);
    GetWindowRect(w.hwnd(), &window);
    EXPECT_EQ(after.right - after.left, 2 * (before.right - before.left));
    EXPECT_EQ(after.bottom - after.top, 2 * (before.bottom - before.top));
    EXPECT_EQ(window.right - window.left, w.scale(200));
    // The rounded region follows the new size instead of clipping the window to the old one.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w.hwnd(), rgn), ERROR);
    RECT box{};
    GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    // (A rounded-rectangle region stops a pixel short of its right and bottom edges; the
    // additions of RoundedRegionEdges exist for that.)
    EXPECT_GE(box.right, window.right - window.left - 1);
    EXPECT_GE(box.bottom, window.bottom - window.top - 1);
    // Fonts follow: the caption font is twice as tall.
    LOGFONTW lf{};
    GetObjectW(w.font(FontRole::Body), sizeof lf, &lf);
    EXPECT_EQ(-lf.lfHeight, MulDiv(9, dpi * 2, 72));
}

}  // namespace
}  // namespace tess
