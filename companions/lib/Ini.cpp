#include "lib/Ini.h"

#include "lib/Args.h"

namespace tess::companion {
namespace {

wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring IniSection::get(std::wstring_view key, std::wstring_view fallback) const {
    for (const auto& [k, v] : entries)
        if (EqualsAsciiNoCase(k, key)) return v;
    return std::wstring(fallback);
}

bool IniSection::has(std::wstring_view key) const {
    for (const auto& entry : entries)
        if (EqualsAsciiNoCase(entry.first, key)) return true;
    return false;
}

const IniSection* IniDocument::find(std::wstring_view name) const {
    for (const auto& s : sections)
        if (EqualsAsciiNoCase(s.name, name)) return &s;
    return nullptr;
}

IniDocument ParseIni(std::wstring_view text) {
    IniDocument doc;
    if (!text.empty() && text.front() == 0xFEFF) text.remove_prefix(1);
    size_t lineNo = 0;
    while (!text.empty()) {
        size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
        ++lineNo;
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty() || line.front() == L';' || line.front() == L'#') continue;
        if (line.front() == L'[') {
            size_t close = line.find(L']');
            if (close == std::wstring_view::npos) {
                doc.problems.push_back(L"line " + std::to_wstring(lineNo) + L": a section name without ']'");
                continue;
            }
            doc.sections.push_back({std::wstring(TrimBlanks(line.substr(1, close - 1))), {}});
            continue;
        }
        size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos || doc.sections.empty()) {
            doc.problems.push_back(L"line " + std::to_wstring(lineNo) + L": not a key=value line inside a section");
            continue;
        }
        doc.sections.back().entries.emplace_back(std::wstring(TrimBlanks(line.substr(0, eq))),
                                                 std::wstring(TrimBlanks(line.substr(eq + 1))));
    }
    return doc;
}

}  // namespace tess::companion
