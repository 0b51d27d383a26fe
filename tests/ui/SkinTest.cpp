// The image-button faces as values (the button that shows them, the rounded region after a
// density change: WindowTest). The controls that use them: WindowTest.
#include <gtest/gtest.h>

#include <tuple>

#include "ui/ImageButton.h"

namespace tess {
namespace {

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
