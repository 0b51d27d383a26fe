#include <gtest/gtest.h>

#include <limits>

#include "common/Units.h"

using namespace tess;

TEST(ProperSize, ThresholdsAreStrictAndTheFormatIsTheLocales) {
    const double GiB = 1073741824.0;
    const std::tuple<double, const wchar_t*, const wchar_t*> cases[] = {  // bytes, en-US, de-DE
        {0, L"0.00 B", L"0,00 B"},
        {1024, L"1,024.00 B", L"1.024,00 B"},
        {1025, L"1.00 KB", L"1,00 KB"},
        {GiB, L"1,024.00 MB", L"1.024,00 MB"},
        {GiB + 1, L"1.00 GB", L"1,00 GB"},
        {5 * 1024 * GiB, L"5,120.00 GB", L"5.120,00 GB"},  // 5 TiB: no unit above GB
        {1.5 * GiB + 0.006 * GiB, L"1.51 GB", L"1,51 GB"},
        {std::numeric_limits<double>::quiet_NaN(), L"0 KB", L"0 KB"},
    };
    for (const auto& [bytes, enUS, deDE] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(GetProperSizeValue(bytes, L"en-US"), enUS);
        EXPECT_EQ(GetProperSizeValue(bytes, L"de-DE"), deDE);
    }
}
