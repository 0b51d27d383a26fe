// The main window's call points into the wizards and companion runs. The SQL Server wizard,
// the SharePoint transfer and the feedback window are wired; the Exchange detection and wizard
// are connected here as they land, and nowhere else.
#include "app/MainWindow.h"
#include "app/SharePointRun.h"
#include "feedback/FrmErrorReport1.h"
#include "sql/SqlWizard.h"

namespace tess {

void FrmAdvancedBackup::openSqlWizard() { RunSqlServerWizard(hwnd()); }

// Exchange detection (GetExchangeVersionInfo): records "ExchVersion" and "ExchSPNo" in the
// settings file. Until it lands, whatever the settings file already says is used.
void FrmAdvancedBackup::detectExchange() {}

// clsExchange.IsExchange: runs the Exchange companion tool's information pass. Until it lands
// no information is ever available, and the user is told so (message 400).
bool FrmAdvancedBackup::exchangeInformationAvailable() { return false; }

// frmExchange, modal over the main window.
void FrmAdvancedBackup::openExchangeWizard() {}

// The SharePoint transfer, run by the main window itself.
void FrmAdvancedBackup::runSharePointTransfer() { RunSharePointTransfer(hwnd()); }

// frmErrorReport1, modal over the main window.
void FrmAdvancedBackup::openErrorReport() { feedback::RunErrorReport(hwnd(), {}); }

}  // namespace tess
