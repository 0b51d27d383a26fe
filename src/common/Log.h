#pragma once
// The program log (VXWLogFile.txt), the trace (TraceFile.txt) and the run report (Log_trace.txt)
// in the common data folder. Every write opens, appends one line and closes again, so a line is
// on disk before the writer returns and a crash loses nothing already written. Writers never
// fail towards the caller.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

enum LogLevel : short { kLogInformation = 0, kLogSuccess = 1, kLogError = 2, kLogDebug = 3, kLogBlankThenWhole = 4 };

struct LogClock {
    int year, month, day, hour, minute, second;
};

// "mm/dd/yyyy hh:mm:ss" with the given date and time separators.
std::wstring FormatTimeStamp(const LogClock& clock, std::wstring_view dateSeparator, std::wstring_view timeSeparator);
// The text a log write appends, without the final CR LF. Level 4 starts with an empty line and
// keeps the whole message; every other level cuts it at its first CR or NUL.
std::wstring FormatLogLine(short level, std::wstring_view message, std::wstring_view timeStamp);
// The current local time stamp with the user's own separators.
std::wstring CurrentTimeStamp();

void WriteTrace(std::wstring_view text) noexcept;
void WriteLog(std::wstring_view message, short level) noexcept;
void WriteLogTo(std::wstring_view message, const std::wstring& filePath) noexcept;
// Several report lines in one open-append-close, each with its own level word and time stamp.
void WriteLogLinesTo(const std::vector<std::wstring>& messages, const std::wstring& filePath) noexcept;
// Deletes VXWLogFile.txt, VXWServiceLog.txt, SerTraceFile.txt and TraceFile.txt; Log_trace.txt stays.
void ClearLogs() noexcept;

// Writes "Enter <name>" now and "Exit <name>" when it goes out of scope.
class TraceScope {
public:
    explicit TraceScope(std::wstring name);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    std::wstring name_;
};

// "Error in <procedure><reason>" — the common form of a trapped failure.
void TraceError(std::wstring_view procedure, std::wstring_view reason) noexcept;

// The system's text for an error number, without the trailing line break.
std::wstring ErrorDescription(unsigned long error);

}  // namespace tess
