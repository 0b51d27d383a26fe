#pragma once
// Read-only registry access. Every reader returns its neutral value on failure.
#include <windows.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tess {

// HKLM + keyPath, value as a multi-string; blank entries dropped. nullopt when the key cannot be
// opened (callers treat that as nothing installed). A value without its final double NUL is
// still split correctly. `wow64Flags` may add KEY_WOW64_32KEY / KEY_WOW64_64KEY.
std::optional<std::vector<std::wstring>> ReadRegMultiString(const std::wstring& keyPath, const std::wstring& valueName,
                                                            REGSAM wow64Flags = 0);

// A string value cut at its first NUL and trimmed; empty on failure. root null = HKEY_CLASSES_ROOT.
std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

// REG_SZ -> text, REG_BINARY -> first byte, REG_DWORD -> number; monostate when the key or value
// is missing or empty. A leading backslash of keyPath is ignored.
using RegValue = std::variant<std::monostate, std::wstring, unsigned long>;
RegValue ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

}  // namespace tess
