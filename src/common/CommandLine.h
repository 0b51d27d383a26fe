#pragma once
// The one builder for every command line the program gives a companion tool. Items are laid out
// exactly as each tool's contract lists them; what goes between double quotes is escaped by the
// CommandLineToArgvW rules (a quote becomes \", backslashes before a quote or before the closing
// quote are doubled), so a hostile database name or path cannot split or add arguments.
// Ordinary values give the contract's line unchanged.
#include <string>
#include <string_view>

namespace tess {

// The value escaped for use between double quotes (without the quotes).
std::wstring EscapeForQuotes(std::wstring_view value);
// Q + escaped value + Q.
std::wstring Quoted(std::wstring_view value);

class CommandLine {
public:
    // A bare item, placed as it is (a digit, a file name, a pre-built fragment).
    CommandLine& raw(std::wstring_view text);
    // A quoted, escaped item.
    CommandLine& quoted(std::wstring_view value);
    // Separators are single blanks unless changed here (the SQL backup line has a double one).
    CommandLine& separator(std::wstring_view text);
    // Glue the next item directly to the previous one (no separator).
    CommandLine& glue();
    const std::wstring& str() const { return line_; }

private:
    void add(std::wstring_view item);
    std::wstring line_;
    std::wstring nextSeparator_ = L" ";
    bool first_ = true;
};

}  // namespace tess
