#pragma once
#include <windows.h>

namespace tess {

// The SQL Server data transfer: the login window, then the database window, modal to the main window.
void RunSqlServerWizard(HWND mainWindow);

}  // namespace tess
