#include <gtest/gtest.h>

#include "common/Text.h"
#include "lib/Demo.h"

using namespace tess;
using namespace tess::companion;

// The fault words and sizes a demo description may hold. Each fault at work (hang, crash, slow,
// fail, partial) is a tool's or a run's test; here, the words a description may not use.
TEST(Faults, CombineWordsAndKeepTheFailureTextWhole) {
    // The faults as "hang crash slow:N fail:TEXT partial:N", or "refused".
    const auto text = [](const std::optional<FaultSet>& f) {
        if (!f) return std::wstring(L"refused");
        return std::wstring(f->hang ? L"hang " : L"") + (f->crash ? L"crash " : L"") + L"slow:" + std::to_wstring(f->slowSeconds) +
               L" fail:" + f->failure.value_or(L"-") + L" partial:" + (f->partialPercent ? std::to_wstring(*f->partialPercent) : L"-");
    };
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", L"slow:0 fail:- partial:-"},
        {L"none", L"slow:0 fail:- partial:-"},
        {L"HANG", L"hang slow:0 fail:- partial:-"},
        {L"slow:3, crash", L"crash slow:3 fail:- partial:-"},
        {L"slow:1,fail:Disk full, really: full", L"slow:1 fail:Disk full, really: full partial:-"},
        {L"partial:0", L"slow:0 fail:- partial:0"},
        {L"slow", L"refused"}, {L"slow:x", L"refused"}, {L"partial:100", L"refused"}, {L"freeze", L"refused"},
    };
    for (const auto& [faults, expected] : cases) EXPECT_EQ(text(ParseFaults(faults)), expected) << ToUTF8(faults);
}

TEST(Sizes, AcceptBinaryUnitsBeyondFourGiB) {
    const std::pair<std::wstring, std::optional<uint64_t>> cases[] = {
        {L"123", 123u}, {L"64 KB", 65536u}, {L"20MB", 20u << 20}, {L"5 gb", 5ull << 30},
        {L"6 G", 6ull << 30}, {L"1 TB", 1ull << 40}, {L"", std::nullopt}, {L"12 XB", std::nullopt}, {L"MB", std::nullopt},
    };
    for (const auto& [text, bytes] : cases) {
        SCOPED_TRACE(ToUTF8(text));
        EXPECT_EQ(ParseSize(text), bytes);
    }
}
