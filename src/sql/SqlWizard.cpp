#include "sql/SqlWizard.h"

#include "sql/FrmSqlDataList.h"
#include "sql/FrmSqlSvrLogin.h"

namespace tess {

std::optional<sql::RunReport> RunSqlServerWizard(HWND mainWindow) {
    // The login closes itself once the list has arrived; the database window is then owned by the
    // main window, not by the login that is gone.
    auto login = sql::RunSqlServerLogin(mainWindow);
    if (!login) return std::nullopt;
    return sql::RunSqlDataList(mainWindow, {std::move(login->server), std::move(login->databases)});
}

}  // namespace tess
