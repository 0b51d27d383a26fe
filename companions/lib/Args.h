#pragma once
// Reading a tool's command line the way the program writes it. The program quotes values by the
// CommandLineToArgvW rules, so the tools split by the same rules; some contracts glue items or
// double every backslash, and the helpers below undo exactly that.
#include <string>
#include <string_view>
#include <vector>

namespace tess::companion {

// Everything after the program name (argv[0]) and the blanks that follow it: the text a tool
// was given. A quoted program name ends at its closing quote even when no blank follows.
std::wstring_view ArgumentText(std::wstring_view commandLine);

// The arguments of a text without a program name, split by the CommandLineToArgvW rules
// (blanks and tabs separate outside quotes; 2n backslashes + quote give n backslashes and a
// quote toggle, 2n+1 give n backslashes and a literal quote; other backslashes are literal).
std::vector<std::wstring> SplitArguments(std::wstring_view arguments);

// Undoes "every backslash doubled": each pair becomes one; a lone backslash (a pair already
// halved by the quote rules before a closing quote) stays.
std::wstring UndoubleBackslashes(std::wstring_view text);

// Blanks and tabs removed from both ends.
std::wstring_view TrimBlanks(std::wstring_view text);

}  // namespace tess::companion
