#pragma once
// Read-only registry access. Every reader returns its neutral value on failure and never throws.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tess {

// HKLM + keyPath, value as a multi-string; blank entries dropped. nullopt when the key cannot be
// opened (callers treat that as nothing installed); an empty list when the value is missing or
// is no string. A value without its final double NUL is still split correctly. `wow64Flags` may
// add KEY_WOW64_32KEY / KEY_WOW64_64KEY.
std::optional<std::vector<std::wstring>> ReadRegMultiString(const std::wstring& keyPath, const std::wstring& valueName,
                                                            REGSAM wow64Flags = 0);

// The entries of multi-string data (the raw bytes' characters), blank entries dropped; stops at
// the end of the data whether or not the final double NUL is there.
std::vector<std::wstring> SplitMultiString(std::wstring_view data);

// A string value cut at its first NUL and trimmed; empty on failure or for a value that is no
// string. root null = HKEY_CLASSES_ROOT.
std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

// REG_SZ (and REG_EXPAND_SZ, unexpanded) -> text cut at its first NUL, REG_BINARY -> first byte,
// REG_DWORD -> number; monostate when the key or value is missing, empty, or of another type.
// A leading backslash of keyPath is ignored.
using RegValue = std::variant<std::monostate, std::wstring, unsigned long>;
RegValue ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

}  // namespace tess
