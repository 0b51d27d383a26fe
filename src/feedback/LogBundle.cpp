#include "feedback/LogBundle.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "feedback/ReportText.h"
#include "platform/Handle.h"

namespace tess::feedback {
namespace {

struct LogSection {
    const wchar_t* file;
    const wchar_t* header;
};
const LogSection kSections[] = {
    {L"Log_trace.txt", L"----------Log_trace-------------"},
    {L"SQLBackupTraceFile.txt", L"----------- SQLBackupTraceFile ------------"},
    {L"BacksetData.txt", L"----------- BacksetData ------------"},
    {L"ExchAPIBackupLog.txt", L"----------- ExchAPIBackupLog ------------"},
    {L"ExchBackupTrace.txt", L"----------- ExchBackupTrace ------------"},
    {L"VXShpTrace.txt", L"----------- SharePointBackupTrace ------------"},
};

// The first read from the end of a log; a window too small to decide grows fourfold.
constexpr uint64_t kFirstWindow = 64 * 1024;

std::string_view cutAtLineEnd(std::string_view line) {
    line = line.substr(0, std::min(line.find('\r'), line.size()));
    return line.substr(0, std::min(line.find('\0'), line.size()));
}

std::optional<std::string> readEnd(HANDLE file, uint64_t fileSize, uint64_t length) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(fileSize - length);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return std::nullopt;
    std::string bytes(static_cast<size_t>(length), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    bytes.resize(done);  // a log that shrank meanwhile gives what is left
    return bytes;
}

std::wstring localeValue(LCID locale, LCTYPE item) {
    wchar_t buffer[256] = {};
    return GetLocaleInfoW(locale, item, buffer, 256) ? std::wstring(buffer) : std::wstring();
}

}  // namespace

std::optional<std::string> CollectTail(std::string_view window, bool atStart) {
    // Line starts: after every CR LF, and the window's start only when it is the log's start
    // (otherwise the first piece may be the end of a longer line).
    std::vector<size_t> breaks;
    for (size_t at = window.find("\r\n"); at != std::string_view::npos; at = window.find("\r\n", at + 2))
        breaks.push_back(at);
    if (breaks.empty()) return atStart ? std::optional<std::string>(std::string()) : std::nullopt;

    std::vector<std::string_view> taken;
    uint64_t size = 0;
    size_t end = window.size();
    for (size_t i = breaks.size() + 1; i-- > 0;) {
        if (i == 0 && !atStart) return std::nullopt;
        const size_t begin = i == 0 ? 0 : breaks[i - 1] + 2;
        const std::string_view line = cutAtLineEnd(window.substr(begin, end - begin));
        end = i == 0 ? 0 : breaks[i - 1];
        if (Trim(line).empty()) continue;
        taken.push_back(line);
        size += line.size() + 2;
        if (size >= kTailByteLimit) break;
    }
    std::string text;
    text.reserve(static_cast<size_t>(size));
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) {
        text += *it;
        text += "\r\n";
    }
    return text;
}

std::wstring TailOfLogFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return L"";
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return L"";
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    for (uint64_t length = std::min(kFirstWindow, fileSize);; length = std::min(length * 4, fileSize)) {
        const auto window = readEnd(file.get(), fileSize, length);
        if (!window) return L"";
        const bool atStart = length == fileSize || window->size() < length;
        if (auto tail = CollectTail(*window, atStart)) return EncodeLines(FromAnsi(*tail));
    }
}

std::wstring DescribeRegional(const RegionalFacts& f) {
    return L"Locale ID: " + TrimAtLineEnd(f.localeId) + L"\r\nCountry: " + TrimAtLineEnd(f.countryEnglish) + L"  (" +
           TrimAtLineEnd(f.countryNative) + L")\r\nLanguage: " + TrimAtLineEnd(f.language) + L"\r\nDecimal: " +
           TrimAtLineEnd(f.decimal) + L"\r\nThousands: " + TrimAtLineEnd(f.thousands) + L"\r\nTime Format: " +
           TrimAtLineEnd(f.timeFormat) + L"\r\nShort Date: " + TrimAtLineEnd(f.shortDate);
}

std::wstring DescribeRegionalSettings(std::wstring_view kind) {
    const LCID locale = EqualsNoCase(kind, L"CodePage") ? LOCALE_SYSTEM_DEFAULT : LOCALE_USER_DEFAULT;
    RegionalFacts f;
    f.localeId = localeValue(locale, LOCALE_ILANGUAGE);
    f.countryEnglish = localeValue(locale, LOCALE_SENGCOUNTRY);
    f.countryNative = localeValue(locale, LOCALE_SNATIVECTRYNAME);
    f.language = localeValue(locale, LOCALE_SLANGUAGE);
    f.decimal = localeValue(locale, LOCALE_SDECIMAL);
    f.thousands = localeValue(locale, LOCALE_STHOUSAND);
    f.timeFormat = localeValue(locale, LOCALE_STIMEFORMAT);
    f.shortDate = localeValue(locale, LOCALE_SSHORTDATE);
    return DescribeRegional(f);
}

std::wstring AppendLogBundle(const std::wstring& report) {
    TraceScope scope(L"AppendLogBundle");
    std::wstring text = report;
    // The tails are measured in memory; a scratch file left by an older version goes.
    DeleteFileIfExists(CommonDataFile(L"TmpLogAttach.txt"));
    for (const auto& section : kSections) {
        const std::wstring path = CommonDataFile(section.file);
        if (!FileExists(path)) continue;
        text += L"\r\n\r\n";
        text += section.header;
        text += L"\r\n" + TailOfLogFile(path);
    }
    text += L"\r\nSystem language details: \r\n";
    text += L"\r\nStandards and format details:";
    const std::wstring regional = Trim(DescribeRegionalSettings(L"Regional"));
    if (!regional.empty()) text += L"\r\n" + regional;
    text += L"\r\n\r\nLanguage for non-Unicode programs:";
    const std::wstring codePage = TrimAtLineEnd(DescribeRegionalSettings(L"CodePage"));
    if (!codePage.empty()) text += L"\r\n" + codePage;
    return text;
}

}  // namespace tess::feedback
