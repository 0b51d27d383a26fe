#include "sql/SqlWizard.h"

#include "sql/FrmSqlDataList.h"
#include "sql/FrmSqlSvrLogin.h"

namespace tess {

void RunSqlServerWizard(HWND mainWindow) {
    // The login closes itself once the list has arrived; the database window is then owned by the
    // main window, not by the login that is gone.
    if (auto login = sql::RunSqlServerLogin(mainWindow))
        sql::RunSqlDataList(mainWindow, {std::move(login->server), std::move(login->databases)});
}

}  // namespace tess
