#pragma once
// The logs attached to a feedback report: the tail of each of the program's six log and trace
// files with its section header, then the machine's regional settings. Only the end of each log
// is read, however large it has grown.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tess::feedback {

// A section of a log is full once its lines, each counted with its CR LF as 8-bit text, reach
// this many bytes.
constexpr uint64_t kTailByteLimit = 20000;

// The tail lines of a log (8-bit text, each line followed by CR LF): walking back from the end,
// lines cut at their first CR or NUL, blank ones skipped, until kTailByteLimit is reached. A log
// without any CR LF gives nothing. `window` is the end of the log; `atStart` says it is the whole
// log. nullopt when the window holds too few whole lines to decide (read more of the log).
std::optional<std::string> CollectTail(std::string_view window, bool atStart);

// The encoded tail of a log file (URLEncodeWebd per line, a bare line feed after each); "" when
// the file is missing.
std::wstring TailOfLogFile(const std::wstring& path);

// The regional settings of a locale, each value as the system gives it.
struct RegionalFacts {
    std::wstring localeId, countryEnglish, countryNative, language, decimal, thousands, timeFormat, shortDate;
};
// "Locale ID: ...", "Country: ...", ... joined by CR LF, no CR LF after the last line.
std::wstring DescribeRegional(const RegionalFacts& facts);
// kind "CodePage": the system default locale; any other kind: the user's default locale.
std::wstring DescribeRegionalSettings(std::wstring_view kind);

// The report text with the six log sections and the regional description appended.
std::wstring AppendLogBundle(const std::wstring& report);

}  // namespace tess::feedback
