#pragma once
// The settings file VXCOMMON\vxwin.ini, section "Ostrova", shared with the vendor's desktop
// client. Keys and values are stored scrambled (every character code doubled) through the
// private-profile functions, so the file is 8-bit and not readable as plain text.
#include <string>
#include <string_view>

namespace tess {

// Every character code doubled; empty when a character cannot be doubled within 8 bits
// (code 128 or above), so such a key or value is never stored.
std::string ScrambleText(std::wstring_view text);
// Every byte halved, rounded to the nearest whole number (halves to even); empty for blank input.
std::wstring UnscrambleText(std::string_view scrambled);

std::wstring Trf_ReadUserProfile(const std::wstring& key);
void Trf_WriteUserProfile(const std::wstring& key, const std::wstring& value);

}  // namespace tess
