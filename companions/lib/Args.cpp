#include "lib/Args.h"

namespace tess::companion {
namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::wstring_view ArgumentText(std::wstring_view line) {
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        // The program name has no escapes: it runs to the next quote.
        size_t close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !isBlank(line[i])) ++i;
    }
    while (i < line.size() && isBlank(line[i])) ++i;
    return line.substr(i);
}

std::vector<std::wstring> SplitArguments(std::wstring_view text) {
    std::vector<std::wstring> args;
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i == text.size()) return args;

    std::wstring current;
    size_t backslashes = 0;
    // Quotes seen in the current quoted part: 0 outside, 1 inside. A closing quote makes 2 and
    // falls back to 0; three in a row make one literal quote. This is how CommandLineToArgvW
    // reads "" and """ inside quotes (Windows and Wine agree).
    int quotes = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (isBlank(c) && quotes == 0) {
            args.push_back(std::move(current));
            current.clear();
            backslashes = 0;
            while (i < text.size() && isBlank(text[i])) ++i;
            if (i == text.size()) return args;
            continue;
        }
        if (c == L'\\') {
            current.push_back(c);
            ++backslashes;
            ++i;
            continue;
        }
        if (c == L'"') {
            if (backslashes % 2 == 0) {
                current.resize(current.size() - backslashes / 2);
                ++quotes;
            } else {
                current.resize(current.size() - backslashes / 2 - 1);
                current.push_back(L'"');
            }
            backslashes = 0;
            ++i;
            while (i < text.size() && text[i] == L'"') {
                if (++quotes == 3) {
                    current.push_back(L'"');
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2) quotes = 0;
            continue;
        }
        current.push_back(c);
        backslashes = 0;
        ++i;
    }
    args.push_back(std::move(current));
    return args;
}

std::wstring UndoubleBackslashes(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'\\') ++i;
    }
    return out;
}

}  // namespace tess::companion
