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

TEST(Email, OnlyTheAtSignAndAPointAfterItAreChecked) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"a@b.c", true},      {L"a@.c", false},        {L"ab.c", false},    {L"a@bc", false},
        {L"a@b.c@", true},     {L"@b.c", true},         {L"a@", false},      {L"a@b", false},
        {L"a@b.", true},       {L"a.b@c", false},       {L"", false},        {L"a@bb.", true},
    };
    for (const auto& [text, valid] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
        EXPECT_EQ(IsValidEmail(text), valid);
    }
}
