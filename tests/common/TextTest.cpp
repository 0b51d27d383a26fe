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

TEST(Text, Utf8RoundTripsEveryPlaneWithoutATerminatingZero) {
    const std::pair<std::wstring, std::string> cases[] = {
        {L"", ""},
        {L"plain", "plain"},
        {L"caf\u00e9", "caf\xC3\xA9"},
        {L"\u65e5\u672c", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {L"\U0001F600", "\xF0\x9F\x98\x80"},  // a surrogate pair
    };
    for (const auto& [text, utf8] : cases) {
        SCOPED_TRACE(utf8);
        EXPECT_EQ(ToUTF8(text), utf8);
        EXPECT_EQ(FromUTF8(utf8), text);
    }
}
