#pragma once
// The settings file VXCOMMON\vxwin.ini, section "Ostrova", shared with the vendor's desktop
// client. Keys and values are stored scrambled (every character code doubled) through the
// private-profile functions, so the file is 8-bit and not readable as plain text.
#include <optional>
#include <string>
#include <string_view>

namespace tess {

// Every character code doubled; empty when a character cannot be doubled within 8 bits
// (code 128 or above), so such a key or value is never stored.
std::string ScrambleText(std::wstring_view text);
// The same, but nothing at all when a character cannot be scrambled (an empty text scrambles to
// an empty text), so callers can tell the two apart.
std::optional<std::string> TryScrambleText(std::wstring_view text);
// Every byte halved, rounded to the nearest whole number (halves to even); empty for blank input.
std::wstring UnscrambleText(std::string_view scrambled);

// Empty when the file, the section or the key is missing.
std::wstring Trf_ReadUserProfile(const std::wstring& key);
// A value that cannot be scrambled is stored empty; a key that cannot be scrambled is not
// written at all (the failure is traced).
void Trf_WriteUserProfile(const std::wstring& key, const std::wstring& value);

// KeepTemporaryDumps=1: a run's dumps stay in the temporary folder once their copies are verified.
bool KeepTemporaryDumpsOn();

// The settings file's full path: program folder + "\VXCOMMON\vxwin.ini".
std::wstring SettingsFilePath();

}  // namespace tess
