#pragma once
// Text helpers and the one place where the program converts between its wide strings and the
// 8-bit ANSI files and UTF-8 bytes of the outside world.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// System ANSI code page (the files of the companion tools and the settings file use it).
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);

// UTF-8 without a terminating zero (the HTTP client's bodies).
std::string ToUTF8(std::wstring_view text);
std::wstring FromUTF8(std::string_view bytes);

// Blanks (space and tab) removed from both ends, as the wizards trim what the user typed.
std::wstring Trim(std::wstring_view text);
std::string Trim(std::string_view text);
bool IsBlank(std::wstring_view text);

std::wstring ToUpper(std::wstring_view text);
std::wstring ToLower(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);
bool EndsWith(std::wstring_view text, std::wstring_view suffix);

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);

// The text before its first CR, and of that the text before its first NUL.
std::wstring TrimAtLineEnd(std::wstring_view text);

// The part after the last occurrence of the separator (the whole text when it has none).
std::wstring AfterLast(std::wstring_view text, std::wstring_view separator);

// The text split at every occurrence of the delimiter, empty parts included.
std::vector<std::wstring> SplitFullText(std::wstring_view text, std::wstring_view delimiter);

// Lines of a text split at CR LF (a lone LF also ends a line).
std::vector<std::wstring> SplitLines(std::wstring_view text);

// Decimal text of a whole number the way the wizards read user-facing numbers: leading blanks,
// an optional sign and digits; anything after the digits is ignored; no digits gives 0.
long long ParseLeadingInteger(std::wstring_view text);

// "@" present, the character after the first "@" is not ".", and a "." somewhere from the second
// character after that "@" on. Nothing else is checked.
bool IsValidEmail(const std::wstring& text);

}  // namespace tess
