#pragma once
#include <windows.h>

#include <optional>

#include "sql/SqlTransferRun.h"

namespace tess {

// The SQL Server data transfer: the login window, then the database window, modal to the main
// window. The report of the last run made in the database window; nothing when the login was
// given up or the window closed without a run.
std::optional<sql::RunReport> RunSqlServerWizard(HWND mainWindow);

}  // namespace tess
