#pragma once
// The program folder (the folder of the running executable) and the common data folder VXCOMMON
// inside it, where every job, status, log and settings file lives.
#include <string>

namespace tess {

// Without a trailing backslash.
std::wstring ProgramFolder();
// ProgramFolder() + L"\\VXCOMMON".
std::wstring CommonDataFolder();
// CommonDataFolder() + L"\\" + name.
std::wstring CommonDataFile(const std::wstring& name);
// Creates VXCOMMON when it is missing (one level: the program folder exists). False when it
// could not be created.
bool EnsureCommonDataFolder();

// Seam: tests point the program folder at their own temporary folder. Empty restores the default.
void SetProgramFolderForTesting(const std::wstring& folder);

}  // namespace tess
