#include "common/Settings.h"

#include <windows.h>

#include <algorithm>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"

namespace tess {
namespace {

constexpr char kSection[] = "Ostrova";

// The private-profile functions take an ANSI path. A program folder whose name has characters
// outside the ANSI code page is reached through its short (8.3) form, which is plain ASCII.
std::string ansiPath(const std::wstring& path) {
    std::string ansi = ToAnsi(path);
    if (FromAnsi(ansi) == path) return ansi;
    std::wstring folder = ShortPath(ParentFolder(path));
    return ToAnsi(JoinPath(folder, AfterLast(path, L"\\")));
}

}  // namespace

std::optional<std::string> TryScrambleText(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        unsigned code = static_cast<unsigned>(c) * 2u;
        if (code > 255u) return std::nullopt;
        out.push_back(static_cast<char>(code));
    }
    return out;
}

std::string ScrambleText(std::wstring_view text) { return TryScrambleText(text).value_or(std::string()); }

std::wstring UnscrambleText(std::string_view scrambled) {
    if (Trim(scrambled).empty()) return {};
    std::wstring out;
    out.reserve(scrambled.size());
    for (char byte : scrambled) {
        unsigned code = static_cast<unsigned char>(byte);
        unsigned half = code / 2u;
        // An odd code lies halfway between two characters: round to the even one, as the
        // desktop client does when it reads the same file.
        if ((code & 1u) && (half & 1u)) ++half;
        out.push_back(static_cast<wchar_t>(half));
    }
    return out;
}

std::wstring SettingsFilePath() { return CommonDataFile(L"vxwin.ini"); }

bool KeepTemporaryDumpsOn() { return Trim(Trf_ReadUserProfile(L"KeepTemporaryDumps")) == L"1"; }

std::wstring Trf_ReadUserProfile(const std::wstring& key) {
    try {
        auto scrambledKey = TryScrambleText(key);
        if (!scrambledKey) {
            WriteTrace(L"Error encrypting the key holds a character that cannot be scrambled");
            return {};
        }
        if (scrambledKey->empty()) return {};
        const std::string path = ansiPath(SettingsFilePath());
        // A folder path may be longer than the customary 256 characters; a value cut short would
        // name another folder, so the buffer grows until the whole value fits.
        std::string buffer(256, '\0');
        for (;;) {
            DWORD n = GetPrivateProfileStringA(kSection, scrambledKey->c_str(), "", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), path.c_str());
            if (n + 1 < buffer.size() || buffer.size() >= (1u << 20)) {
                buffer.resize(std::min<size_t>(n, buffer.size() - 1));
                break;
            }
            buffer.assign(buffer.size() * 4, '\0');
        }
        return buffer.empty() ? std::wstring() : UnscrambleText(buffer);
    } catch (...) {
        WriteTrace(L"Error in Trf_ReadUserProfile out of memory");
        return {};
    }
}

void Trf_WriteUserProfile(const std::wstring& key, const std::wstring& value) {
    try {
        auto scrambledKey = TryScrambleText(key);
        if (!scrambledKey || scrambledKey->empty()) {
            if (!scrambledKey) WriteTrace(L"Error encrypting the key holds a character that cannot be scrambled");
            WriteTrace(L"Error in Trf_WriteUserProfile the key cannot be stored");
            return;
        }
        auto scrambledValue = TryScrambleText(value);
        if (!scrambledValue) {
            WriteTrace(L"Error encrypting the value holds a character that cannot be scrambled");
            scrambledValue.emplace();  // stored empty, never half-scrambled
        }
        // The settings file lives in VXCOMMON, which may not exist yet on a first run.
        EnsureCommonDataFolder();
        if (!WritePrivateProfileStringA(kSection, scrambledKey->c_str(), scrambledValue->c_str(),
                                        ansiPath(SettingsFilePath()).c_str())) {
            DWORD error = GetLastError();
            WriteTrace(L"Error in Trf_WriteUserProfile " + ErrorDescription(error));
        }
    } catch (...) {
        WriteTrace(L"Error in Trf_WriteUserProfile out of memory");
    }
}

}  // namespace tess
