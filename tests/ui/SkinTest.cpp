// The skin's values: the image cache, the icons' alpha, the rounded regions' edges and the
// image-button faces. The controls that use them: WindowTest.
#include <gtest/gtest.h>

#include <tuple>

#include "ui/ImageButton.h"
#include "ui/Skin.h"

namespace tess {
namespace {

TEST(SkinImages, CachedPerSizeTransparentAroundAndSolidInside) {
    HBITMAP icon = SkinImage(L"vx_msg_info", 32, 32);
    ASSERT_NE(icon, nullptr);
    // The same size gives the same handle: "is this already the picture" is a compare.
    EXPECT_EQ(SkinImage(L"vx_msg_info", 32, 32), icon);
    BITMAP other{};
    ASSERT_TRUE(GetObjectW(SkinImage(L"vx_msg_info", 40, 32), sizeof other, &other));
    EXPECT_EQ(other.bmWidth, 40);
    EXPECT_EQ(SkinImage(L"no_such_image", 16, 16), nullptr);

    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(icon, sizeof dib, &dib), static_cast<int>(sizeof dib));
    auto* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    auto alpha = [&](int x, int y) { return bits[y * 32 + x] >> 24; };
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_EQ(alpha(31, 31), 0u);
    EXPECT_EQ(alpha(6, 16), 255u);  // inside the disc
}

TEST(RoundedRegion, EdgesByWindowNameRoundedHalfToEven) {
    const std::tuple<const wchar_t*, int, int, int, int> cases[] = {
        {L"frmSQLSvrLogin", 400, 300, 401, 301},  // + 0.75, + 1.25
        {L"mesgbox", 251, 120, 252, 121},         // + 0.75, + 1.0, whatever the case
        {L"frmExchange", 400, 300, 400, 301},     // + 0.5: 400.5 rounds to 400
        {L"frmExchange", 401, 300, 402, 301},     // 401.5 rounds to 402
        {L"FrmAdvancedBackup", 476, 404, 476, 405},
    };
    for (const auto& [window, w, h, right, bottom] : cases) {
        RegionEdges e = RoundedRegionEdges(window, w, h);
        EXPECT_EQ(std::tie(e.right, e.bottom), std::tie(right, bottom)) << window << " " << w << "x" << h;
    }
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

}  // namespace
}  // namespace tess
