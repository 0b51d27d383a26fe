#include "common/Text.h"

#include <windows.h>

#include <algorithm>

namespace tess {
namespace {

std::string narrow(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::wstring widen(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

template <typename Char>
std::basic_string<Char> trimBlanks(std::basic_string_view<Char> text) {
    auto blank = [](Char c) { return c == Char(' ') || c == Char('\t'); };
    size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return std::basic_string<Char>(text.substr(b, e - b));
}

std::wstring mapCase(std::wstring_view text, DWORD flag) {
    std::wstring out(text);
    if (!out.empty())
        LCMapStringEx(LOCALE_NAME_INVARIANT, flag, text.data(), static_cast<int>(text.size()), out.data(),
                      static_cast<int>(out.size()), nullptr, nullptr, 0);
    return out;
}

}  // namespace

std::string ToAnsi(std::wstring_view text) { return narrow(CP_ACP, text); }
std::wstring FromAnsi(std::string_view bytes) { return widen(CP_ACP, bytes); }
std::string ToUTF8(std::wstring_view text) { return narrow(CP_UTF8, text); }
std::wstring FromUTF8(std::string_view bytes) { return widen(CP_UTF8, bytes); }

std::wstring Trim(std::wstring_view text) { return trimBlanks(text); }
std::string Trim(std::string_view text) { return trimBlanks(text); }
bool IsBlank(std::wstring_view text) { return Trim(text).empty(); }

std::wstring ToUpper(std::wstring_view text) { return mapCase(text, LCMAP_UPPERCASE); }
std::wstring ToLower(std::wstring_view text) { return mapCase(text, LCMAP_LOWERCASE); }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && ToUpper(a) == ToUpper(b);
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
    if (from.empty()) return std::wstring(text);
    std::wstring out;
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != std::wstring_view::npos; pos = hit + from.size()) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

std::wstring TrimAtLineEnd(std::wstring_view text) {
    std::wstring_view cut = text.substr(0, std::min(text.find(L'\r'), text.size()));
    return std::wstring(cut.substr(0, std::min(cut.find(L'\0'), cut.size())));
}

std::wstring AfterLast(std::wstring_view text, std::wstring_view separator) {
    size_t pos = separator.empty() ? std::wstring_view::npos : text.rfind(separator);
    if (pos == std::wstring_view::npos) return std::wstring(text);
    return std::wstring(text.substr(pos + separator.size()));
}

std::vector<std::wstring> SplitFullText(std::wstring_view text, std::wstring_view delimiter) {
    std::vector<std::wstring> parts;
    if (delimiter.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t pos = 0;
    for (size_t hit; (hit = text.find(delimiter, pos)) != std::wstring_view::npos; pos = hit + delimiter.size())
        parts.emplace_back(text.substr(pos, hit - pos));
    parts.emplace_back(text.substr(pos));
    return parts;
}

std::vector<std::wstring> SplitLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t lf = text.find(L'\n', pos);
        if (lf == std::wstring_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        size_t end = (lf > pos && text[lf - 1] == L'\r') ? lf - 1 : lf;
        lines.emplace_back(text.substr(pos, end - pos));
        pos = lf + 1;
    }
    return lines;
}

long long ParseLeadingInteger(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value > (LLONG_MAX - 9) / 10) break;  // saturate rather than overflow on absurd input
        value = value * 10 + (text[i] - L'0');
    }
    return negative ? -value : value;
}

bool IsValidEmail(const std::wstring& text) {
    size_t at = text.find(L'@');
    if (at == std::wstring::npos) return false;
    if (at + 1 < text.size() && text[at + 1] == L'.') return false;
    return at + 2 < text.size() && text.find(L'.', at + 2) != std::wstring::npos;
}

}  // namespace tess
