#include "common/Units.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "common/Log.h"

namespace tess {
namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1048576.0;
constexpr double kGiB = 1073741824.0;

std::wstring localeString(const wchar_t* locale, LCTYPE type, LCTYPE flags) {
    wchar_t buffer[32] = {};
    return GetLocaleInfoEx(locale, type | flags, buffer, 32) > 0 ? buffer : L"";
}

DWORD localeNumber(const wchar_t* locale, LCTYPE type, LCTYPE flags, DWORD fallback) {
    DWORD value = 0;
    if (GetLocaleInfoEx(locale, type | flags | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                        sizeof value / sizeof(wchar_t)) > 0)
        return value;
    return fallback;
}

// LOCALE_SGROUPING is "3;0" (thousands), "3;2;0" (Indian lakhs) or "3" (group only once);
// NUMBERFMT wants 3, 32 and 30 for those.
UINT groupingValue(const std::wstring& grouping) {
    UINT value = 0;
    bool endsWithZero = false;
    for (size_t i = 0; i < grouping.size(); ++i) {
        wchar_t c = grouping[i];
        if (c < L'0' || c > L'9') continue;
        endsWithZero = c == L'0' && i + 1 == grouping.size() && i > 0;
        if (!endsWithZero) value = value * 10 + (c - L'0');
    }
    return endsWithZero ? value : value * 10;
}

// Formats `value` with exactly two decimals in the locale's number format. Empty on failure.
std::wstring formatTwoDecimals(double value, const wchar_t* locale) {
    // An explicit locale is meant to give that locale's own format, not this user's overrides.
    LCTYPE flags = locale == LOCALE_NAME_USER_DEFAULT ? 0 : LOCALE_NOUSEROVERRIDE;
    std::wstring decimal = localeString(locale, LOCALE_SDECIMAL, flags);
    std::wstring thousand = localeString(locale, LOCALE_STHOUSAND, flags);
    NUMBERFMTW format{};
    format.NumDigits = 2;
    format.LeadingZero = localeNumber(locale, LOCALE_ILZERO, flags, 1);
    format.Grouping = groupingValue(localeString(locale, LOCALE_SGROUPING, flags));
    format.lpDecimalSep = decimal.empty() ? const_cast<wchar_t*>(L".") : decimal.data();
    format.lpThousandSep = thousand.data();
    format.NegativeOrder = localeNumber(locale, LOCALE_INEGNUMBER, flags, 1);

    // The input of GetNumberFormatEx is always "-1234.56" with a point, whatever the locale.
    wchar_t plain[400];
    if (swprintf(plain, 400, L"%.2f", value) <= 0) return {};
    wchar_t out[512];
    int n = GetNumberFormatEx(locale, 0, plain, &format, out, 512);
    return n > 0 ? std::wstring(out) : std::wstring();
}

}  // namespace

std::wstring GetProperSizeValue(double sizeInBytes) { return GetProperSizeValue(sizeInBytes, LOCALE_NAME_USER_DEFAULT); }

std::wstring GetProperSizeValue(double sizeInBytes, const wchar_t* localeName) {
    if (!std::isfinite(sizeInBytes)) {
        WriteTrace(L"Error in GetProperSizeValue the size is not a number");
        return L"0 KB";
    }
    double value = sizeInBytes;
    const wchar_t* unit = L" B";
    if (sizeInBytes > kGiB) {
        value = sizeInBytes / kGiB;
        unit = L" GB";
    } else if (sizeInBytes > kMiB) {
        value = sizeInBytes / kMiB;
        unit = L" MB";
    } else if (sizeInBytes > kKiB) {
        value = sizeInBytes / kKiB;
        unit = L" KB";
    }
    std::wstring number = formatTwoDecimals(value, localeName ? localeName : LOCALE_NAME_USER_DEFAULT);
    if (number.empty()) {
        DWORD error = GetLastError();
        WriteTrace(L"Error in GetProperSizeValue " + ErrorDescription(error));
        return L"0 KB";
    }
    return number + unit;
}

std::wstring DurationText(uint64_t ms) {
    const uint64_t seconds = (ms + 999) / 1000;
    if (seconds % 3600 == 0) return std::to_wstring(seconds / 3600) + (seconds == 3600 ? L" hour" : L" hours");
    if (seconds % 60 == 0) return std::to_wstring(seconds / 60) + (seconds == 60 ? L" minute" : L" minutes");
    return std::to_wstring(seconds) + (seconds == 1 ? L" second" : L" seconds");
}

}  // namespace tess
