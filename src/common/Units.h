#pragma once
// Sizes and durations as the user reads them.
#include <cstdint>
#include <string>

namespace tess {

// "1.50 KB", "1,024.00 MB": two decimals with the user's number format, strict thresholds
// (exactly 1048576 bytes is "1,024.00 KB"). "0 KB" and one trace line for a value that cannot be
// formatted (not a number, infinite).
std::wstring GetProperSizeValue(double sizeInBytes);
// The same with an explicit locale name (tests use "en-US").
std::wstring GetProperSizeValue(double sizeInBytes, const wchar_t* localeName);

// A time limit as messages give it: "2 hours", "10 minutes", "45 seconds" (whole units only).
std::wstring DurationText(uint64_t ms);

}  // namespace tess
