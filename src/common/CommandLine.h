#pragma once
// The one builder for every command line the program gives a companion tool. Items are laid out
// exactly as each tool's contract lists them; what goes between double quotes is escaped by the
// CommandLineToArgvW rules (a quote becomes \", backslashes before a quote or before the closing
// quote are doubled), so a hostile database name or path cannot split or add arguments.
// Ordinary values (no quote, no trailing backslash) give the contract's line unchanged.
//
// Some tools (the Exchange 2010 and 2013 helpers) split their line by the same rules and then
// halve every pair of backslashes: their lines are built with Backslashes::kDoubled, which doubles
// every backslash of every item and keeps a quote inside a quoted value literal through both steps.
//
// Items marked secret (a password) appear as ******** in forLog(), the text that goes to the
// trace and the program log; str() is the real line for the process.
#include <string>
#include <string_view>

namespace tess {

// What every secret item shows in a log or trace line.
inline constexpr std::wstring_view kMaskedSecret = L"********";

// How the tool reads backslashes: by the CommandLineToArgvW rules alone, or halving every pair
// after them.
enum class Backslashes { kAsRead, kDoubled };

// The value escaped for use between double quotes (without the quotes).
std::wstring EscapeForQuotes(std::wstring_view value, Backslashes form = Backslashes::kAsRead);
// Q + escaped value + Q.
std::wstring Quoted(std::wstring_view value, Backslashes form = Backslashes::kAsRead);

enum class Secret { kNo, kYes };

class CommandLine {
public:
    explicit CommandLine(Backslashes form = Backslashes::kAsRead) : form_(form) {}

    // A bare item, placed as it is (a digit, a file name, a pre-built fragment); its backslashes
    // doubled in the doubled form. The caller answers for it: nothing is escaped.
    CommandLine& raw(std::wstring_view text, Secret secret = Secret::kNo);
    // A quoted, escaped item.
    CommandLine& quoted(std::wstring_view value, Secret secret = Secret::kNo);
    // The separator placed before every following item: one blank unless changed here (the SQL
    // backup line puts two blanks before its twelfth item only). It stays until changed again.
    CommandLine& separator(std::wstring_view text);
    // Glue the next item directly to the previous one (no separator), once.
    CommandLine& glue();

    // The line as the process receives it.
    const std::wstring& str() const { return line_; }
    // The same line with every secret item replaced by ********, for traces and logs.
    const std::wstring& forLog() const { return logLine_; }
    bool empty() const { return line_.empty(); }

private:
    void add(std::wstring_view item, bool secret);
    std::wstring line_;
    std::wstring logLine_;
    Backslashes form_;
    std::wstring nextSeparator_ = L" ";
    bool first_ = true;
    bool glueNext_ = false;
};

}  // namespace tess
