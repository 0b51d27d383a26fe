#pragma once
// `FrmAdvancedBackup`: the program's first window, one large button per kind of server data
// transfer, a help image with its pop-up menu, a caption band to drag it and a close picture.
#include <string>

#include "ui/HelpMenu.h"
#include "ui/Window.h"

namespace tess {

// The help topic of the main window's help menu by its help context.
std::wstring MainHelpTopic(bool sqlChosen, bool exchangeChosen);

// Whether the installed Exchange (settings "ExchVersion" and "ExchSPNo") can be transferred:
// 0 when it can, else the message code to show (399).
int ExchangeVersionMessage(const std::wstring& exchVersion, const std::wstring& exchSpNo);

class FrmAdvancedBackup : public Window {
public:
    enum Id {
        kIdSql = 200,       // CmdSQLServerBackup
        kIdExchange,        // CmdExchangeServerBackup
        kIdSharePoint,      // CmdSharePointServerBackup
        kIdOracle,          // CmdOracleServerBackup (hidden)
        kIdSystemState,     // CmdSystemsateBackup (hidden)
        kIdBrickLevel,      // CmdExchageBrickLevelBackup (hidden)
        kIdHelpImage,       // ImageEncHelp
        kIdCapbar,          // lblCapbar
        kIdAppCaption,      // AppCaption
        kIdClose,           // picClose
        kIdBackImage,       // picBackImg
        kIdTitle,           // lblTitle
        kIdIntro,           // lblIntro
        kIdHint,            // lblHint
    };

    FrmAdvancedBackup();

    bool sqlChosen() const { return sqlChosen_; }
    bool exchangeChosen() const { return exchangeChosen_; }
    std::wstring helpTopic() const { return MainHelpTopic(sqlChosen_, exchangeChosen_); }
    // mnuHelp as ImageEncHelp pops it up; the Exchange wizard pops up the same.
    HelpMenu helpMenu();

    // The three actions, as the buttons and Alt+S / Alt+E start them.
    void sqlAction();
    void exchangeAction();
    void sharePointAction();
    // At the program's start: a run stopped before it ended is offered to be finished (Yes) or
    // discarded (No).
    void finishStoppedRun();

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    void onClose() override;
    void paintBackground(HDC dc, const RECT& client) override;
    int captionBandHeight() const override { return 36; }

    // Where the wizards and companion runs start; tests replace them to see the dispatch.
    virtual void openSqlWizard();
    virtual void detectExchange();
    virtual bool exchangeInformationAvailable();
    virtual void openExchangeWizard();
    virtual void runSharePointTransfer();
    virtual void openErrorReport(HWND owner);

private:
    bool sqlChosen_ = false;
    bool exchangeChosen_ = false;
};

}  // namespace tess
