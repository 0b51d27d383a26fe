#pragma once
// The journal: every tool run appends what it was given and what it wrote to one file in the
// demo folder, so tests can check the program's command lines byte for byte.
//
// One record per line, UTF-8, CR LF, fields separated by TAB:
//   <UTC time yyyy-mm-ddThh:mm:ss.mmmZ> TAB <tool> TAB <process id> TAB <kind> TAB <text>
// kinds: cmd (the command line exactly as received), call (a library call: the function name,
// TAB, its arguments separated by TAB),
// wrote (a path, TAB, its size in bytes), error (what the tool reported), fault (an injected
// fault taking effect), exit (the exit code). In <text>, '%', DEL and control characters (TAB,
// CR, LF included) are written as %XX (two hex digits), so a record stays one line and decodes
// back exactly; everything else, non-ASCII included, is written as it is.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::companion {

std::wstring EscapeJournalText(std::wstring_view text);
std::wstring UnescapeJournalText(std::wstring_view text);

class Journal {
public:
    Journal() = default;
    Journal(std::wstring path, std::wstring tool);

    void record(std::wstring_view kind, std::wstring_view text) const;
    // Several fields, each escaped, separated by TAB (a library call: its name and arguments).
    void recordFields(std::wstring_view kind, const std::vector<std::wstring>& fields) const;
    void wrote(const std::wstring& path, uint64_t bytes) const;
    const std::wstring& path() const { return path_; }

private:
    void append(std::wstring_view kind, const std::wstring& escapedText) const;
    std::wstring path_, tool_;
};

}  // namespace tess::companion
