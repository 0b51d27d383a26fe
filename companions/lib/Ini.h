#pragma once
// A small reader for the demo description. The private-profile functions would do for plain
// values, but the description is UTF-8 (non-ASCII database names), keeps its sections in file
// order (the order the tools list databases in) and must be testable without a file.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tess::companion {

struct IniSection {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> entries;  // in file order, values trimmed

    // The value of a key (ASCII letters compared without case); `fallback` when it is missing.
    std::wstring get(std::wstring_view key, std::wstring_view fallback = L"") const;
    bool has(std::wstring_view key) const;
};

struct IniDocument {
    std::vector<IniSection> sections;  // in file order; entries before any section are dropped
    std::vector<std::wstring> problems;  // lines that are neither a section, a key nor a comment

    const IniSection* find(std::wstring_view name) const;
};

// Lines starting with ';' or '#' are comments; a value keeps everything after the first '='
// (trimmed), so values may hold ';', '#', '=' and quotes.
IniDocument ParseIni(std::wstring_view text);

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix);

}  // namespace tess::companion
