// The main window's call points into the wizards and companion runs: the SQL Server and Exchange
// wizards, the SharePoint transfer and the feedback window are all connected here, and nowhere
// else.
#include "app/MainWindow.h"
#include "app/SharePointRun.h"
#include "exchange/ExchangeDetection.h"
#include "exchange/FrmExchange.h"
#include "feedback/FrmErrorReport1.h"
#include "sql/SqlWizard.h"

namespace tess {

// The wizards return their last run's report; the user has seen it in the wizard already, so the
// main window, which starts the next transfer afresh, keeps nothing of it.
void FrmAdvancedBackup::openSqlWizard() { RunSqlServerWizard(hwnd()); }

// Records "ExchVersion" and "ExchSPNo" in the settings file.
void FrmAdvancedBackup::detectExchange() { exchange::GetExchangeVersionInfo(); }

// The helper's presence run; the main window keeps painting and Esc ends the wait.
bool FrmAdvancedBackup::exchangeInformationAvailable() {
    exchange::HelperWaitArgs wait;
    wait.window = hwnd();
    return exchange::clsExchange(wait).IsExchange() != 0;
}

// frmExchange, modal over the main window, with the main window's help menu.
void FrmAdvancedBackup::openExchangeWizard() { exchange::RunExchangeWizard(hwnd(), {helpMenu()}); }

// The SharePoint transfer, run by the main window itself.
void FrmAdvancedBackup::runSharePointTransfer() { RunSharePointTransfer(hwnd()); }

// frmErrorReport1, modal over the window whose help menu asked for it.
void FrmAdvancedBackup::openErrorReport(HWND owner) { feedback::RunErrorReport(owner, {}); }

}  // namespace tess
