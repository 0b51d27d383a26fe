#include "lib/Journal.h"

#include <windows.h>

#include <cwchar>

#include "common/Text.h"
#include "platform/Handle.h"

namespace tess::companion {

std::wstring EscapeJournalText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'%' || c < 0x20 || c == 0x7F) {
            wchar_t buf[8];
            swprintf(buf, 8, L"%%%02X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::wstring UnescapeJournalText(std::wstring_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size()) {
            unsigned value = 0;
            if (swscanf(std::wstring(text.substr(i + 1, 2)).c_str(), L"%2x", &value) == 1) {
                out.push_back(static_cast<wchar_t>(value));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

Journal::Journal(std::wstring path, std::wstring tool) : path_(std::move(path)), tool_(std::move(tool)) {}

void Journal::record(std::wstring_view kind, std::wstring_view text) const { append(kind, EscapeJournalText(text)); }

void Journal::recordFields(std::wstring_view kind, const std::vector<std::wstring>& fields) const {
    std::wstring text;
    for (size_t i = 0; i < fields.size(); ++i) text += (i ? L"\t" : L"") + EscapeJournalText(fields[i]);
    append(kind, text);
}

void Journal::append(std::wstring_view kind, const std::wstring& escapedText) const {
    if (path_.empty()) return;
    SYSTEMTIME t;
    GetSystemTime(&t);
    wchar_t stamp[40];
    swprintf(stamp, 40, L"%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
             t.wMilliseconds);
    std::wstring line = std::wstring(stamp) + L"\t" + tool_ + L"\t" + std::to_wstring(GetCurrentProcessId()) + L"\t" +
                        std::wstring(kind) + L"\t" + escapedText + L"\r\n";
    std::string bytes = ToUTF8(line);
    // Several tools may append at once: FILE_APPEND_DATA makes each single write land whole at
    // the end; a sharing conflict with a reader is retried briefly.
    for (int attempt = 0; attempt < 50; ++attempt) {
        UniqueFile file(CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return;
        Sleep(20);
    }
}

void Journal::wrote(const std::wstring& path, uint64_t bytes) const {
    recordFields(L"wrote", {path, std::to_wstring(bytes)});
}

}  // namespace tess::companion
