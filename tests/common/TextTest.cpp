#include <gtest/gtest.h>

#include "common/Text.h"

using namespace tess;

TEST(Text, TrimAtLineEndCutsAtTheFirstCrThenTheFirstNul) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"abc\r\ndef", L"abc"},
        {std::wstring(L"a\0b\rc", 5), L"a"},
        {std::wstring(L"ab\rc\0d", 6), L"ab"},
        {L"line\nnext", L"line\nnext"},  // a lone LF is no line end here
        {L"", L""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(TrimAtLineEnd(text), expected);
    }
}
