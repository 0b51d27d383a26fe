#include "sql/FrmSqlDataList.h"

#include <commctrl.h>

#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/Units.h"
#include "sql/SqlSettings.h"
#include "ui/BrowseDialog.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"
#include "ui/WizardEncryption.h"

namespace tess::sql {
namespace {

using K = ControlKind;
using F = FrmSQLDataList;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr int kProgressSteps = 1000;

const ControlSpec kLayout[] = {
    {L"lblCapbar", F::kCapbar, K::CaptionBar, {0, 0, 520, 40}},
    {L"imgTitleinfo", F::kTitleImage, K::Picture, {14, 8, 24, 24}, L"vx_sql"},
    {L"picTitleinfo", F::kTitleText, K::Label, {46, 11, 420, 20}, L"Automatic Selection, Restore and Advanced Backup"},
    {L"lblHelp", F::kHelp, K::Label, {524, 11, 40, 20}, L"Help"},
    {L"lblClose", F::kClose, K::CloseBox, {570, 11, 18, 18}, L"vx_small_close"},
    {L"Label5", F::kLabel5, K::Label, {20, 52, 560, 24}, L"SQL Server database"},
    {L"Label2", F::kLabel2, K::Label, {20, 78, 560, 18}, L"Select the database(s) for data transfer"},
    {L"LstBackupDBList", F::kList, K::Native, {20, 98, 560, 186}, L"", WC_LISTVIEWW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER},
    {L"Label1", F::kLabel1, K::Label, {20, 294, 90, 18}, L"Backup size:"},
    {L"Totalbksetsize", F::kTotal, K::Label, {112, 294, 220, 18}},
    {L"cmdCalculateSize", F::kRecalculate, K::ImageButton, {460, 290, 120, 28}, L"Recalculate"},
    {L"Label4", F::kLabel4, K::Label, {20, 326, 300, 18}, L"SQL Server temporary path"},
    {L"Tempfolder_txt", F::kTemp, K::Native, {20, 346, 436, 24}, L"", WC_EDITW, kEdit},
    {L"cmdTempfolder", F::kTempBrowse, K::ImageButton, {470, 344, 110, 28}, L"Browse"},
    {L"Label3", F::kLabel3, K::Label, {20, 380, 300, 18}, L"SQL Server destination path"},
    {L"txtDestination", F::kDestination, K::Native, {20, 400, 436, 24}, L"", WC_EDITW, kEdit},
    {L"cmdDestination", F::kDestinationBrowse, K::ImageButton, {470, 398, 110, 28}, L"Browse"},
    {L"Label6", F::kLabel6, K::Label, {20, 428, 440, 18}, L"(Location on external device shipped by Ostrova)"},
    {L"ChkEncrypt", F::kEncrypt, K::Native, {20, 450, 300, 20}, L"Encrypt the data on the drive", WC_BUTTONW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {L"lblMsgProgres", F::kProgressText, K::Label, {20, 474, 560, 18}},
    // The dump's line above the shipping's: with the overlapped run both go on at once.
    {L"ProgressBarDump", F::kDumpProgress, K::Native, {20, 497, 250, 14}, L"", PROGRESS_CLASSW, WS_CHILD | PBS_SMOOTH},
    {L"lblDumpFigures", F::kDumpFigures, K::Label, {280, 495, 300, 18}},
    {L"ProgressBar1", F::kProgress, K::Native, {20, 518, 250, 14}, L"", PROGRESS_CLASSW, WS_CHILD | PBS_SMOOTH},
    {L"lblProgressFigures", F::kProgressFigures, K::Label, {280, 516, 300, 18}},
    {L"lblCancelHint", F::kCancelHint, K::Label, {20, 540, 300, 18}, L"Press Esc to cancel the transfer."},
    {L"CmdSQLNext", F::kTransfer, K::ImageButton, {350, 534, 110, 30}, L"Transfer data"},
    {L"cmdCancel", F::kCancel, K::ImageButton, {470, 534, 110, 30}, L"Close"},
    // Backup-set controls the window carries for the desktop client's layout; nothing shows them.
    {L"Sch_LV_bkset", F::kSchList, K::Native, {20, 98, 560, 186}, L"", WC_LISTVIEWW, WS_CHILD | LVS_REPORT},
    {L"sch_lbl_Backupset", F::kSchLabel, K::Native, {20, 294, 200, 18}, L"", WC_STATICW, WS_CHILD},
    {L"Sch_Cmb_transset", F::kSchCombo, K::Native, {20, 294, 200, 120}, L"Select a Transfer Set", WC_COMBOBOXW,
     WS_CHILD | CBS_DROPDOWNLIST},
};

void addColumn(HWND list, int index, const wchar_t* caption, int width, int format = LVCFMT_LEFT) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

FrmSQLDataList::FrmSQLDataList(DataListArgs args)
    : SqlWindow(L"frmSQLDataList", {0, 0, 600, 580}, true),
      WindowRunView(*this, {kProgressText, kProgressFigures, kProgress, kTempBrowse, kDumpProgress, kDumpFigures}),
      server_(std::move(args.server)),
      rows_(std::move(args.databases)) {}

bool FrmSQLDataList::onCreate() {
    loadFrame(kLayout, kTitleText, {{'B', kTempBrowse}, {'W', kDestinationBrowse}, {'T', kTransfer}, {'C', kCancel}});
    styleLabels();
    setUpLists();
    // Window load: the folders from the settings, the list, the total.
    loadFolders();
    LoadLstSQLServerDB();
    showControl(kProgressText, false);
    showControl(kProgressFigures, false);
    showControl(kDumpFigures, false);
    return true;
}

void FrmSQLDataList::styleLabels() {
    if (auto* help = label(kHelp)) {
        help->setColor(skin::kBandText);
        help->setClickable(true);
    }
    if (auto* heading = label(kLabel5)) heading->setFont(FontRole::Title);
    if (auto* hint = label(kCancelHint)) hint->setColor(skin::kMuted);
    if (auto* note = label(kLabel6)) note->setColor(skin::kMuted);
    showControl(kCancelHint, false);
}

void FrmSQLDataList::setUpLists() {
    HWND list = control(kList);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    addColumn(list, 0, L"Database Name", scale(380));
    addColumn(list, 1, L"Size", scale(150), LVCFMT_RIGHT);
    addColumn(control(kSchList), 0, L"Full Path", scale(380));
    addColumn(control(kSchList), 1, L"Size", scale(150));
    SendMessageW(control(kProgress), PBM_SETRANGE32, 0, kProgressSteps);
    SendMessageW(control(kDumpProgress), PBM_SETRANGE32, 0, kProgressSteps);
}

void FrmSQLDataList::loadFolders() {
    const std::wstring suffix = ServerKeySuffix(server_);
    std::wstring temporary = Trim(Trf_ReadUserProfile(L"SQLTEMP" + suffix));
    SetWindowTextW(control(kDestination), Trim(Trf_ReadUserProfile(L"SQLDEST" + suffix)).c_str());
    if (IsBlank(temporary)) temporary = Trim(Trf_ReadUserProfile(L"SQLTEMP"));
    SetWindowTextW(control(kTemp), temporary.c_str());
    SendMessageW(control(kEncrypt), BM_SETCHECK, EncryptShipmentsOn() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FrmSQLDataList::LoadLstSQLServerDB() {
    TraceScope scope(L"LoadLstSQLServerDB");
    HWND list = control(kList);
    loading_ = true;  // checking rows while filling must not run Recalculate (and its 179) per row
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const DatabaseRow& row = rows_[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(row.name.c_str());
        item.lParam = static_cast<LPARAM>(i);
        const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row.sizeBytes) {
            const std::wstring size = GetProperSizeValue(static_cast<double>(*row.sizeBytes));
            LVITEMW sub{};
            sub.iSubItem = 1;
            sub.pszText = const_cast<wchar_t*>(size.c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
        }
        ListView_SetCheckState(list, index, row.checked);
    }
    loading_ = false;
    Recalculate();
}

void FrmSQLDataList::Recalculate() {
    TraceScope scope(L"Recalculate");
    const auto megabytes = SelectedMegabytes(rows_);
    if (auto* total = label(kTotal)) total->setText(megabytes ? FormatTotal(*megabytes) : L"");
    if (!megabytes) ShowMessage({GetMessageText(179)});
}

void FrmSQLDataList::onItemChanged(const NMLISTVIEW& change) {
    if (loading_ || !(change.uChanged & LVIF_STATE)) return;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return;
    const auto index = static_cast<size_t>(change.lParam);
    if (index >= rows_.size()) return;
    const bool checked = ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
    if (rows_[index].checked == checked) return;
    rows_[index].checked = checked;
    if (!running_) Recalculate();
}

void FrmSQLDataList::chooseFolder(bool destination) {
    (destination ? browsePurpose_.transferDestination : browsePurpose_.sqlTemp) = true;
    const ChosenFolder chosen = ChooseTransferFolder(hwnd(), {destination, browsePurpose_});
    browsePurpose_ = chosen.purposeAfter;
    if (chosen.boxText) SetWindowTextW(control(destination ? kDestination : kTemp), chosen.boxText->c_str());
}

void FrmSQLDataList::showHelp() { ShowHelpFile(hwnd(), L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm"); }

void FrmSQLDataList::CmdSQLNext_Click() {
    if (running_) return;
    RunInput input;
    input.temporaryPath = text(kTemp);
    input.destination = text(kDestination);
    input.serverName = server_;
    input.encrypt = SendMessageW(control(kEncrypt), BM_GETCHECK, 0, 0) == BST_CHECKED;
    for (const auto& row : rows_) {
        if (!row.checked) continue;
        input.databases.push_back(row.name);
        input.databaseBytes.push_back(row.sizeBytes.value_or(0));
    }
    SendMessageW(control(kSchList), LVM_DELETEALLITEMS, 0, 0);
    // The run goes on while this window's own loop runs; its end sets the report.
    run_ = StartRun(input, *this, [this](const RunReport& report) { lastRun_ = report; });
}

void FrmSQLDataList::setRunning(bool running) {
    running_ = running;
    enableControls({kTempBrowse, kDestinationBrowse, kEncrypt, kTransfer, kCancel, kClose}, !running);
    showControl(kCancelHint, running);
    if (running) SetFocus(hwnd());  // Esc must reach this window while its buttons are disabled
    UpdateWindow(hwnd());
}

void FrmSQLDataList::onClose() {
    if (!askToStopRun() && !running_) endModal();
}

bool FrmSQLDataList::onKey(UINT vk, bool alt) {
    if (!running_ || alt || vk != VK_ESCAPE) return false;
    askToStopRun();
    return true;
}

void FrmSQLDataList::onCommand(int id, int, HWND) {
    if (running_) return;
    switch (id) {
        case kRecalculate:
            Recalculate();
            break;
        case kTempBrowse:
            chooseFolder(false);
            break;
        case kDestinationBrowse:
            chooseFolder(true);
            break;
        case kTransfer:
            CmdSQLNext_Click();
            break;
        case kCancel:
        case kClose:
            endModal();
            break;
        case kHelp:
            showHelp();
            break;
        default:
            break;
    }
}

LRESULT FrmSQLDataList::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lp);
            if (header->idFrom == static_cast<UINT_PTR>(kList)) {
                if (header->code == LVN_ITEMCHANGED) onItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lp));
                if (header->code == LVN_BEGINLABELEDITW) return TRUE;  // row labels are not edited
            }
            break;
        }
        default:
            break;
    }
    return Window::onMessage(msg, wp, lp);
}

std::optional<RunReport> RunSqlDataList(HWND owner, const DataListArgs& args) {
    FrmSQLDataList window(args);
    if (!window.runModal(owner)) return std::nullopt;
    return window.lastRun();
}

}  // namespace tess::sql
