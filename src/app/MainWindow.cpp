#include "app/MainWindow.h"

#include "common/ComponentFiles.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"

namespace tess {
namespace {

constexpr int kComponentsMissing = 576;
constexpr int kExchangeUnsupported = 399;
constexpr int kExchangeUnavailable = 400;

// Design pixels at 96 dpi. The three shown buttons share one size and are stacked at the
// left edge of the cards the background draws for them.
const ControlSpec kLayout[] = {
    {L"picBackImg", FrmAdvancedBackup::kIdBackImage, ControlKind::Picture, {0, 0, 476, 404}, L"ADV_IMG"},
    {L"AppCaption", FrmAdvancedBackup::kIdAppCaption, ControlKind::CaptionBar, {40, 0, 150, 34}, L"Tessaron"},
    {L"lblCapbar", FrmAdvancedBackup::kIdCapbar, ControlKind::CaptionBar, {190, 0, 218, 34}},
    {L"ImageEncHelp", FrmAdvancedBackup::kIdHelpImage, ControlKind::CloseBox, {412, 7, 22, 22}, L"vx_help"},
    {L"picClose", FrmAdvancedBackup::kIdClose, ControlKind::CloseBox, {442, 7, 22, 22}, L"vx_small_close"},
    {L"lblTitle", FrmAdvancedBackup::kIdTitle, ControlKind::Label, {28, 56, 330, 30}, L"Server data transfer"},
    {L"lblIntro", FrmAdvancedBackup::kIdIntro, ControlKind::Label, {28, 90, 330, 48},
     L"Choose the server whose data you want to prepare for shipping to Ostrova on an external drive."},
    {L"CmdSQLServerBackup", FrmAdvancedBackup::kIdSql, ControlKind::ImageButton, {109, 173, 334, 47},
     L"SQL Server Data Transfer"},
    {L"CmdExchangeServerBackup", FrmAdvancedBackup::kIdExchange, ControlKind::ImageButton, {109, 233, 334, 47},
     L"Exchange Server Data Transfer"},
    {L"CmdSharePointServerBackup", FrmAdvancedBackup::kIdSharePoint, ControlKind::ImageButton, {109, 293, 334, 47},
     L"SharePoint Server Data Transfer"},
    {L"CmdOracleServerBackup", FrmAdvancedBackup::kIdOracle, ControlKind::ImageButton, {109, 353, 334, 47}},
    {L"CmdSystemsateBackup", FrmAdvancedBackup::kIdSystemState, ControlKind::ImageButton, {109, 353, 334, 47}},
    {L"CmdExchageBrickLevelBackup", FrmAdvancedBackup::kIdBrickLevel, ControlKind::ImageButton, {109, 353, 334, 47}},
    {L"lblHint", FrmAdvancedBackup::kIdHint, ControlKind::Label, {28, 372, 420, 20},
     L"Right-click a button to see what it does."},
};

}  // namespace

std::wstring MainHelpTopic(bool sqlChosen, bool exchangeChosen) {
    if (sqlChosen) return L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm";
    if (!exchangeChosen) return L"TessaronHelp.chm::/Tessaron.htm";
    return L"TessaronHelp.chm::/MS_Exchange_Server_Backup.htm";
}

int ExchangeVersionMessage(const std::wstring& exchVersion, const std::wstring& exchSpNo) {
    std::wstring v = Trim(exchVersion);
    long long version = v.empty() ? 0 : ParseLeadingInteger(v);
    if (version != 2000 && version != 2003 && version != 2007 && version != 2010 && version != 2013)
        return kExchangeUnsupported;
    if (version == 2000) {
        // Exchange 2000 needs service pack 3 (build 6249); an unknown build is given the benefit.
        std::wstring sp = Trim(exchSpNo);
        if (!sp.empty() && ParseLeadingInteger(sp) < 6249) return kExchangeUnsupported;
    }
    return 0;
}

FrmAdvancedBackup::FrmAdvancedBackup() : Window(L"FrmAdvancedBackup", {0, 0, 476, 404}) {}

bool FrmAdvancedBackup::onCreate() {
    TraceScope trace(L"FrmAdvancedBackup.Form_Load");
    // The program refuses to run without its companion files: the Exchange group is tested
    // before the SQL Server group, and the message goes out while the title is still empty.
    if (!ComponentFilesPresent()) {
        ShowMessage({GetMessageText(kComponentsMissing)});
        return false;
    }
    SetProgramTitle(L"Tessaron");
    SetWindowTextW(hwnd(), ProgramTitle().c_str());
    addControls(kLayout);
    // picBackImg only holds the background; the window paints it and takes its size.
    showControl(kIdBackImage, false);
    for (int id : {kIdOracle, kIdSystemState, kIdBrickLevel}) showControl(id, false);
    setAltKeys({{'S', kIdSql}, {'E', kIdExchange}});
    setUpCaption(kIdAppCaption, kCaptionLineFormat);
    label(kIdTitle)->setFont(FontRole::Title);
    label(kIdTitle)->setColor(skin::kBand);
    label(kIdIntro)->setColor(skin::kMuted);
    label(kIdHint)->setFont(FontRole::Small);
    label(kIdHint)->setColor(skin::kMuted);
    for (int id : {kIdSql, kIdExchange, kIdSharePoint}) button(id)->setFont(FontRole::Caption);
    RoundedBorder(hwnd(), name());
    return true;
}

void FrmAdvancedBackup::paintBackground(HDC dc, const RECT& client) { DrawSkinImage(dc, L"ADV_IMG", client); }

void FrmAdvancedBackup::onCommand(int id, int /*code*/, HWND /*control*/) {
    switch (id) {
        case kIdSql: sqlAction(); break;
        case kIdExchange: exchangeAction(); break;
        case kIdSharePoint: sharePointAction(); break;
        case kIdHelpImage: ShowHelpMenu(hwnd(), helpMenu()); break;
        case kIdClose: onClose(); break;
        default: break;  // the hidden buttons have no action
    }
}

void FrmAdvancedBackup::onClose() {
    // The close picture ends the program at once: the application's loop ends with this window.
    HideTip();
    DestroyWindow(hwnd());
}

HelpMenu FrmAdvancedBackup::helpMenu() {
    return {helpTopic(), [this](HWND owner) { openErrorReport(owner); }};
}

void FrmAdvancedBackup::sqlAction() {
    sqlChosen_ = true;
    exchangeChosen_ = false;
    openSqlWizard();
}

void FrmAdvancedBackup::exchangeAction() {
    sqlChosen_ = false;
    exchangeChosen_ = true;
    if (ImageButton* b = button(kIdExchange)) b->showBusyPointer();
    detectExchange();
    int message = ExchangeVersionMessage(Trf_ReadUserProfile(L"ExchVersion"), Trf_ReadUserProfile(L"ExchSPNo"));
    if (message) {
        ShowMessage({GetMessageText(message)});
        return;
    }
    if (!exchangeInformationAvailable()) {
        ShowMessage({GetMessageText(kExchangeUnavailable)});
        return;
    }
    openExchangeWizard();
}

void FrmAdvancedBackup::sharePointAction() { runSharePointTransfer(); }

}  // namespace tess
