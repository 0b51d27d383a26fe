#include <gtest/gtest.h>

#include "common/Text.h"

using namespace tess;

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
