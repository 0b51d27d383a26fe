#pragma once
// frmSQLDataList: the databases of the instance with their sizes and check boxes, the selected
// total, the temporary and destination folders, and "Transfer data", which runs the transfer in
// this window (the window is the run's view: progress label, progress bar, disabled controls).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "sql/SqlLogic.h"
#include "sql/SqlTransferRun.h"
#include "sql/SqlWindow.h"
#include "ui/BrowseDialog.h"
#include "ui/WindowRunView.h"

namespace tess::sql {

struct DataListArgs {
    std::wstring server;                 // the server the login settled on (normalised)
    std::vector<DatabaseRow> databases;  // the login's list
};

class FrmSQLDataList : public SqlWindow, public WindowRunView {
public:
    enum Id {
        kCapbar = 200, kTitleImage, kTitleText, kHelp, kClose, kLabel5, kLabel2, kList, kLabel1, kTotal, kRecalculate,
        kLabel4, kTemp, kTempBrowse, kLabel3, kDestination, kDestinationBrowse, kLabel6, kProgressText, kProgress,
        kCancelHint, kTransfer, kCancel, kSchList, kSchLabel, kSchCombo, kProgressFigures, kDumpProgress, kDumpFigures, kEncrypt,
    };

    explicit FrmSQLDataList(DataListArgs args);

    void LoadLstSQLServerDB();
    void Recalculate();
    void CmdSQLNext_Click();
    const std::vector<DatabaseRow>& rows() const { return rows_; }
    // The report of the last "Transfer data" run, nothing before one.
    const std::optional<RunReport>& lastRun() const { return lastRun_; }

    // RunView
    void setRunning(bool running) override;

protected:
    bool onCreate() override;
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void onCommand(int id, int code, HWND control) override;
    void onClose() override;
    bool onKey(UINT vk, bool alt) override;

private:
    void styleLabels();
    void setUpLists();
    void loadFolders();
    void chooseFolder(bool destination);
    void showHelp();
    void onItemChanged(const NMLISTVIEW& change);

    std::wstring server_;
    std::vector<DatabaseRow> rows_;
    std::optional<RunReport> lastRun_;
    std::unique_ptr<SqlRun> run_;  // the run under way, or the last one
    BrowsePurpose browsePurpose_;
    bool loading_ = false;
    bool running_ = false;
};

// Shows the database window modally, owned by the main window; the report of the last run made
// in it, nothing when the user closed it without one.
std::optional<RunReport> RunSqlDataList(HWND owner, const DataListArgs& args);

}  // namespace tess::sql
