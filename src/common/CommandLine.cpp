#include "common/CommandLine.h"

#include "common/Text.h"

namespace tess {

// CommandLineToArgvW (and the C runtime) read backslashes literally unless they precede a quote:
// then 2n backslashes give n and end or start quoting, 2n+1 give n and a literal quote. So a run of
// backslashes is doubled only where a quote follows it, including the closing quote we add.
// A tool that then halves every pair needs each run doubled once more, except before the closing
// quote: the doubled run is even already, so it still ends the quoting and the tool gets back one
// backslash for a folder's trailing one (more than one there come back as one: the same folder).
std::wstring EscapeForQuotes(std::wstring_view value, Backslashes form) {
    const size_t factor = form == Backslashes::kDoubled ? 2 : 1;
    std::wstring out;
    out.reserve(value.size() * factor + 2);
    size_t backslashes = 0;
    for (wchar_t c : value) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * factor * 2 + 1, L'\\');
            out.push_back(L'"');
        } else {
            out.append(backslashes * factor, L'\\');
            out.push_back(c);
        }
        backslashes = 0;
    }
    out.append(backslashes * 2, L'\\');
    return out;
}

std::wstring Quoted(std::wstring_view value, Backslashes form) { return L"\"" + EscapeForQuotes(value, form) + L"\""; }

CommandLine& CommandLine::raw(std::wstring_view text, Secret secret) {
    if (form_ == Backslashes::kDoubled)
        add(ReplaceAll(text, L"\\", L"\\\\"), secret == Secret::kYes);
    else
        add(text, secret == Secret::kYes);
    return *this;
}

CommandLine& CommandLine::quoted(std::wstring_view value, Secret secret) {
    add(Quoted(value, form_), secret == Secret::kYes);
    return *this;
}

CommandLine& CommandLine::separator(std::wstring_view text) {
    nextSeparator_ = std::wstring(text);
    return *this;
}

CommandLine& CommandLine::glue() {
    glueNext_ = true;
    return *this;
}

void CommandLine::add(std::wstring_view item, bool secret) {
    if (!first_ && !glueNext_) {
        line_ += nextSeparator_;
        logLine_ += nextSeparator_;
    }
    line_ += item;
    logLine_ += secret ? kMaskedSecret : item;
    first_ = false;
    glueNext_ = false;
}

}  // namespace tess
