#pragma once
// frmExchange: the Exchange wizard's backup page. At load it asks the helper what the server
// holds (the window shows what it waits for meanwhile), then shows the storage tree (Exchange
// 2000 to 2007) or the database list (2010, 2013); the user ticks stores, picks the temporary and
// destination folders and presses "Transfer data", whose run uses this window as its view.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/ExchangeRun.h"
#include "exchange/StorageTree.h"
#include "ui/BrowseDialog.h"
#include "ui/HelpMenu.h"
#include "ui/Window.h"
#include "ui/WindowRunView.h"

namespace tess::exchange {

struct ExchangeWizardArgs {
    // lblHelp pops up the main window's help menu; on its own the wizard has the Exchange topic
    // and no report to send.
    HelpMenu helpMenu{L"TessaronHelp.chm::/MS_Exchange_Server_Backup.htm", nullptr};
};

// The last transfer started in the wizard ("Transfer data", or Enter for the local backup alone).
struct ExchangeWizardReport {
    int exchVersion = 0;                  // which helper ran
    bool localOnly = false;               // Enter: the helper's backup without the checks and the shipping
    std::vector<std::wstring> selection;  // the stores or databases asked for
    std::wstring destination;
    ExchangeRunResult result;             // where it stopped, what was backed up, shipped and not copied
    std::wstring reportPath;              // the run's Log_trace.txt when it wrote one, else empty
};

class FrmExchange : public Window, public WindowRunView {
public:
    enum Id {
        kCapbar = 200, kTitleImage, kTitle, kHelp, kClose, kInfoImage, kInfo, kServer, kTree, kList, kLabel2, kTemp,
        kTempBrowse, kLabel3, kDestination, kDestinationBrowse, kLabel1, kProgressText, kProgress, kCancelHint, kBack,
        kTransfer, kCancel, kSchList, kSchLabel,
        // The restore page the window carries; nothing shows it.
        kLabel7, kLabel8, kRestoreFile, kRestoreTemp, kRestoreBrowse, kRestoreTempBrowse, kRestore, kRestoreCancel,
        kRestoreTree, kProgressFigures, kEncrypt,
    };

    explicit FrmExchange(ExchangeWizardArgs args = {});
    ~FrmExchange() override;

    // The load sequence; runs once the window is on screen, so that it paints while it waits.
    void Form_Load();
    bool loaded() const { return loaded_; }
    void LoadValues();
    void LoadValues_Exch2010();
    void StoreValues();
    const std::vector<std::wstring>& selection() const { return selection_; }
    // The list mode marker: the 2010 list holds at least one database.
    bool listMode() const { return listMode_; }
    HTREEITEM treeItem(size_t node) const { return node < items_.size() ? items_[node] : nullptr; }
    const StorageModel& model() const { return model_; }

    // Both start the run and return; its end (the messages, the controls, lastRun) comes later
    // on the window's thread while the window's own loop runs.
    void CmdNext_Click();
    void localBackup();
    const std::optional<ExchangeWizardReport>& lastRun() const { return lastRun_; }

    // RunView
    void setRunning(bool running) override;

protected:
    bool onCreate() override;
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void onCommand(int id, int code, HWND control) override;
    bool onKey(UINT vk, bool alt) override;
    void onClose() override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;
    void paintBackground(HDC dc, const RECT& client) override;
    void onDestroy() override;

private:
    void createControls();
    void FrameBackupRestoreVisible(const std::wstring& frameName, bool showFrame);
    void runInformation();
    void useListMode();
    void tvDatabase_NodeCheck(HTREEITEM item);
    void syncTreeChecks();
    void onTreeNotify(const NMHDR& header, LPARAM lp);
    void chooseTemporary();
    void chooseDestination();
    ExchangeRunArgs runArgs();
    void startRun(RunScope scope);
    void keepReport(const ExchangeRunArgs& args, const ExchangeRunResult& result, bool localOnly);
    std::wstring text(int id) const;

    ExchangeWizardArgs args_;
    StorageModel model_;
    std::vector<HTREEITEM> items_;  // the tree item of each model node
    std::vector<std::wstring> databases_;
    std::vector<std::wstring> selection_;
    std::optional<ExchangeWizardReport> lastRun_;
    std::unique_ptr<ExchangeRun> run_;  // the run under way, or the last one
    BrowsePurpose browsePurpose_;  // what the last browse left, for the next one
    bool listMode_ = false;
    bool loaded_ = false;
    bool busy_ = true;  // loading or running: the buttons do nothing
    HIMAGELIST images_ = nullptr;
};

// frmExchange, modal over the main window: the report of the last transfer started in it, nothing
// when the user closed it without one.
std::optional<ExchangeWizardReport> RunExchangeWizard(HWND owner, const ExchangeWizardArgs& args);

}  // namespace tess::exchange
