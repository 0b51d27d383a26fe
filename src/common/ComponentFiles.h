#pragma once
// The component files that must lie beside the program, checked at start-up.
#include <string>

namespace tess {

// Whether program folder + "\" + name exists as a file.
bool FileExistsInProgramFolder(const std::wstring& name);

// The Exchange group, then the SQL Server group, each in the order start-up tests them.
const wchar_t* const* ExchangeComponentFiles();  // null-terminated list
const wchar_t* const* SqlComponentFiles();       // null-terminated list
// True when every component file of both groups is present (the Exchange group is tested first).
bool ComponentFilesPresent();

}  // namespace tess
