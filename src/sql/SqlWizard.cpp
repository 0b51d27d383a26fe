#include "sql/SqlWizard.h"

namespace tess {

void RunSqlServerWizard(HWND) {}  // the login window arrives with the SQL work

}  // namespace tess
