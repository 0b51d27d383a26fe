#include "common/Log.h"

#include <windows.h>

#include <cstdio>

#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"

namespace tess {
namespace {

std::wstring localeText(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16) > 1) return buffer;
    return fallback;
}

std::wstring levelWord(short level) {
    switch (level) {
        case kLogSuccess: return L"Success     : ";
        case kLogError:   return L"Error       : ";
        case kLogDebug:   return L"Debug       : ";
        default:          return L"Information : ";
    }
}

// Writers are called from destructors and error paths: nothing may escape them, not even an
// allocation failure, and a failed write is ignored (the caller can do nothing about it).
template <typename MakePathAndLine>
void appendLine(MakePathAndLine&& make) noexcept {
    try {
        auto [path, line] = make();
        EnsureCommonDataFolder();
        AppendAnsiLine(path, line);
    } catch (...) {
    }
}

}  // namespace

std::wstring FormatTimeStamp(const LogClock& c, std::wstring_view dateSeparator, std::wstring_view timeSeparator) {
    wchar_t buffer[64];
    std::wstring ds(dateSeparator), ts(timeSeparator);
    swprintf(buffer, 64, L"%02d%ls%02d%ls%04d %02d%ls%02d%ls%02d", c.month, ds.c_str(), c.day, ds.c_str(), c.year,
             c.hour, ts.c_str(), c.minute, ts.c_str(), c.second);
    return buffer;
}

std::wstring FormatLogLine(short level, std::wstring_view message, std::wstring_view timeStamp) {
    std::wstring stamp = std::wstring(timeStamp) + L" : ";
    if (level == kLogBlankThenWhole) return L"\r\n" + levelWord(kLogInformation) + stamp + std::wstring(message);
    return levelWord(level) + stamp + TrimAtLineEnd(message);
}

std::wstring CurrentTimeStamp() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LogClock clock{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return FormatTimeStamp(clock, localeText(LOCALE_SDATE, L"/"), localeText(LOCALE_STIME, L":"));
}

void WriteTrace(std::wstring_view text) noexcept {
    appendLine([&] { return std::pair(CommonDataFile(L"TraceFile.txt"), std::wstring(text)); });
}

void WriteLog(std::wstring_view message, short level) noexcept {
    appendLine([&] {
        return std::pair(CommonDataFile(L"VXWLogFile.txt"), FormatLogLine(level, message, CurrentTimeStamp()));
    });
}

void WriteLogTo(std::wstring_view message, const std::wstring& filePath) noexcept {
    appendLine([&] { return std::pair(filePath, FormatLogLine(kLogInformation, message, CurrentTimeStamp())); });
}

void WriteLogLinesTo(const std::vector<std::wstring>& messages, const std::wstring& filePath) noexcept {
    if (messages.empty()) return;
    appendLine([&] {
        const std::wstring stamp = CurrentTimeStamp();
        std::wstring lines;
        for (const auto& message : messages) {
            if (!lines.empty()) lines += L"\r\n";
            lines += FormatLogLine(kLogInformation, message, stamp);
        }
        return std::pair(filePath, lines);
    });
}

void ClearLogs() noexcept {
    try {
        for (const wchar_t* name : {L"VXWLogFile.txt", L"VXWServiceLog.txt", L"SerTraceFile.txt", L"TraceFile.txt"})
            DeleteFileIfExists(CommonDataFile(name));
    } catch (...) {
    }
}

TraceScope::TraceScope(std::wstring name) : name_(std::move(name)) {
    try {
        WriteTrace(L"Enter " + name_);
    } catch (...) {
    }
}
TraceScope::~TraceScope() {
    try {
        WriteTrace(L"Exit " + name_);
    } catch (...) {
    }
}

void TraceError(std::wstring_view procedure, std::wstring_view reason) noexcept {
    try {
        WriteTrace(L"Error in " + std::wstring(procedure) + std::wstring(reason));
    } catch (...) {
    }
}

std::wstring ErrorDescription(unsigned long error) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : L"Error " + std::to_wstring(error);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace tess
