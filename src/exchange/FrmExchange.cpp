#include "exchange/FrmExchange.h"

#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "exchange/ExchangeDetection.h"
#include "ui/BrowseDialog.h"
#include "ui/FileTree.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/Shipping.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/WizardEncryption.h"

namespace tess::exchange {
namespace {

using K = ControlKind;
using F = FrmExchange;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr int kProgressSteps = 1000;
constexpr UINT kMsgLoad = WM_APP + 1;
constexpr UINT kMsgCheckClicked = WM_APP + 2;
constexpr int kExchangeNotReachable = 21;

const ControlSpec kLayout[] = {
    {L"lblCapbar", F::kCapbar, K::CaptionBar, {0, 0, 520, 40}},
    {L"imgTitleinfo", F::kTitleImage, K::Picture, {14, 8, 24, 24}, L"vx_exchange"},
    {L"lblTitle", F::kTitle, K::Label, {46, 11, 420, 20}},
    {L"lblHelp", F::kHelp, K::Label, {524, 11, 40, 20}, L"Help"},
    {L"lblClose", F::kClose, K::CloseBox, {570, 11, 18, 18}, L"vx_small_close"},
    {L"picTitleinfo", F::kInfoImage, K::Picture, {20, 52, 24, 24}, L"vx_exchange"},
    {L"lblInfo", F::kInfo, K::Label, {52, 50, 528, 36}},
    {L"lblExchServer", F::kServer, K::Label, {20, 86, 560, 18}, L"MS Exchange Server:"},
    {L"tvDatabase", F::kTree, K::Native, {20, 106, 560, 194}, L"", WC_TREEVIEWW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
         TVS_SHOWSELALWAYS | TVS_CHECKBOXES},
    {L"LstExch", F::kList, K::Native, {20, 106, 560, 194}, L"", WC_LISTVIEWW,
     WS_CHILD | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER},
    {L"Label2", F::kLabel2, K::Label, {20, 312, 300, 18}, L"Exchange Server temporary path"},
    {L"Tempfolder_txt", F::kTemp, K::Native, {20, 332, 436, 24}, L"", WC_EDITW, kEdit},
    {L"btnBrowse", F::kTempBrowse, K::ImageButton, {470, 330, 110, 28}, L"Browse"},
    {L"Label3", F::kLabel3, K::Label, {20, 366, 300, 18}, L"Exchange Server destination path"},
    {L"txtDestination", F::kDestination, K::Native, {20, 386, 436, 24}, L"", WC_EDITW, kEdit},
    {L"cmdDestination", F::kDestinationBrowse, K::ImageButton, {470, 384, 110, 28}, L"Browse"},
    {L"Label1", F::kLabel1, K::Label, {20, 414, 440, 18}, L"(Location on external device shipped by Ostrova)"},
    {L"ChkEncrypt", F::kEncrypt, K::Native, {20, 438, 300, 20}, L"Encrypt the data on the drive", WC_BUTTONW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {L"lblRestoreProgress", F::kProgressText, K::Label, {20, 464, 560, 18}},
    {L"ProgressBar1", F::kProgress, K::Native, {20, 486, 560, 16}, L"", PROGRESS_CLASSW, WS_CHILD | PBS_SMOOTH},
    {L"lblProgressFigures", F::kProgressFigures, K::Label, {20, 504, 560, 16}},
    {L"lblCancelHint", F::kCancelHint, K::Label, {20, 526, 220, 18}, L"Press Esc to cancel."},
    {L"CmdBack", F::kBack, K::ImageButton, {230, 520, 110, 30}, L"< Back"},
    {L"CmdNext", F::kTransfer, K::ImageButton, {350, 520, 110, 30}, L"Transfer data"},
    {L"CmdCancel", F::kCancel, K::ImageButton, {470, 520, 110, 30}, L"Close"},
    // The items and the set name of the last run, for the desktop client's layout; not shown.
    {L"Sch_LV_bkset", F::kSchList, K::Native, {20, 104, 560, 196}, L"", WC_LISTVIEWW, WS_CHILD | LVS_REPORT},
    {L"sch_lbl_Backupset", F::kSchLabel, K::Native, {20, 464, 200, 18}, L"", WC_STATICW, WS_CHILD},
    // The restore page: there is no Exchange restore, so these stay hidden.
    {L"Label7", F::kLabel7, K::Native, {20, 312, 300, 18}, L"", WC_STATICW, WS_CHILD},
    {L"Label8", F::kLabel8, K::Native, {20, 366, 300, 18}, L"", WC_STATICW, WS_CHILD},
    {L"txtFileBrowse", F::kRestoreFile, K::Native, {20, 332, 436, 24}, L"", WC_EDITW, WS_CHILD | WS_BORDER},
    {L"txtTempRestPathBrowse", F::kRestoreTemp, K::Native, {20, 386, 436, 24}, L"", WC_EDITW, WS_CHILD | WS_BORDER},
    {L"cmdBrowse", F::kRestoreBrowse, K::Native, {470, 330, 110, 28}, L"Browse", WC_BUTTONW, WS_CHILD},
    {L"cmdBrowseTempRestPath", F::kRestoreTempBrowse, K::Native, {470, 384, 110, 28}, L"Browse", WC_BUTTONW, WS_CHILD},
    {L"cmdRestore", F::kRestore, K::Native, {350, 520, 110, 30}, L"Restore", WC_BUTTONW, WS_CHILD},
    {L"cmdRestoreCancel", F::kRestoreCancel, K::Native, {470, 520, 110, 30}, L"Close", WC_BUTTONW, WS_CHILD},
    {L"ExchangeRestoreTree", F::kRestoreTree, K::Native, {20, 104, 560, 196}, L"", WC_TREEVIEWW, WS_CHILD},
};

// The controls of each page, as FrameBackupRestoreVisible switches them.
const int kBackupPage[] = {F::kTempBrowse, F::kTemp, F::kLabel2, F::kTree, F::kTransfer, F::kCancel};
const int kRestorePage[] = {F::kLabel7,  F::kLabel8,         F::kRestoreFile,    F::kRestoreTemp, F::kRestoreBrowse,
                            F::kRestoreTempBrowse, F::kRestore, F::kRestoreCancel, F::kRestoreTree};

void addColumn(HWND list, int index, const wchar_t* caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

ProfileReader treeInfoReader() {
    const std::wstring path = TreeInfoPath();
    return [path](const std::wstring& section, const std::wstring& key) {
        return clsExchange::Trf_ReadExchangeProfile(section, key, path);
    };
}

// Runs a step of the window; a failure it throws is traced as "Error in <procedure> , Reason :
// <what>" and the window goes on with what the step built so far.
template <class Step>
void trapped(const wchar_t* procedure, Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        TraceError(procedure, L" , Reason : " + FromAnsi(e.what()));
    }
}

int imageOf(NodeKind kind) {
    switch (kind) {
        case NodeKind::Group: return TreeViewControl::iconIndex(L"folder");
        case NodeKind::Store: return TreeViewControl::iconIndex(L"file");
        default: return I_IMAGENONE;  // the server and the administrative level show no picture
    }
}

}  // namespace

FrmExchange::FrmExchange(ExchangeWizardArgs args)
    : Window(L"frmExchange", {0, 0, 600, 564}),
      WindowRunView(*this, {kProgressText, kProgressFigures, kProgress, kTempBrowse}),
      args_(std::move(args)) {}

FrmExchange::~FrmExchange() = default;

bool FrmExchange::onCreate() {
    createControls();
    setAltKeys({{'B', kTempBrowse}, {'W', kDestinationBrowse}, {'T', kTransfer}, {'C', kCancel}});
    if (auto* next = button(kTransfer)) next->setFaceKeys(L"buttondata_enb", L"buttondata_ovr");
    resetButtonFaces();
    // Nothing to go back to on the only page this wizard has.
    showControl(kBack, false);
    for (int id : {kServer, kProgressText, kProgressFigures, kCancelHint}) showControl(id, false);
    SendMessageW(control(kEncrypt), BM_SETCHECK, EncryptShipmentsOn() ? BST_CHECKED : BST_UNCHECKED, 0);
    RoundedBorder(hwnd(), name());
    // The helper's information run may take minutes: it runs once the window is on screen.
    PostMessageW(hwnd(), kMsgLoad, 0, 0);
    return true;
}

void FrmExchange::createControls() {
    addControls(kLayout);
    setUpCaption(kTitle);
    if (auto* help = label(kHelp)) {
        help->setColor(skin::kBandText);
        help->setClickable(true);
    }
    if (auto* info = label(kInfo)) info->setFont(FontRole::Bold);
    if (auto* server = label(kServer)) server->setFont(FontRole::Bold);
    for (int id : {kLabel1, kCancelHint})
        if (auto* muted = label(id)) muted->setColor(skin::kMuted);
    HWND list = control(kList);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    addColumn(list, 0, L"Database Name", scale(400));
    addColumn(list, 1, L"Size", scale(130));
    addColumn(control(kSchList), 0, L"Full Path", scale(400));
    addColumn(control(kSchList), 1, L"Size", scale(130));
    SendMessageW(control(kProgress), PBM_SETRANGE32, 0, kProgressSteps);
}

void FrmExchange::onDestroy() {
    // A plain tree view leaves its image list to its owner.
    if (images_) ImageList_Destroy(images_);
    images_ = nullptr;
}

void FrmExchange::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kBody));
    SetImagetoScreen(dc, client, dpi());
}

std::wstring FrmExchange::text(int id) const { return WindowText(control(id)); }

void FrmExchange::FrameBackupRestoreVisible(const std::wstring& frameName, bool showFrame) {
    const bool backup = (frameName == L"FrameBackup" && showFrame) || (frameName == L"FrameRestore" && !showFrame);
    if (!backup) return;
    for (int id : kBackupPage) showControl(id, true);
    for (int id : kRestorePage) showControl(id, false);
}

void FrmExchange::Form_Load() {
    TraceScope scope(L"Form_Load");
    if (auto* title = label(kTitle)) title->setText(L"Exchange Server data transfer");
    if (auto* info = label(kInfo)) info->setText(L"Select the Public Folder Store/Mailbox Stores for data transfer");
    FrameBackupRestoreVisible(L"FrameRestore", false);
    FrameBackupRestoreVisible(L"FrameBackup", true);
    LocalTreeFiller().setUpImageList(control(kTree), hwnd());
    images_ = TreeView_GetImageList(control(kTree), TVSIL_NORMAL);

    std::wstring temporary = Trim(Trf_ReadUserProfile(L"APIEXCHANGE"));
    if (!temporary.empty() && temporary.back() != L'\\') temporary += L'\\';
    SetWindowTextW(control(kTemp), temporary.c_str());

    setRunning(true);
    trapped(L"Form_Load", [&] { runInformation(); });
    setProgressText(L"", false);
    setRunning(false);
    SetFocus(control(listMode_ ? kList : kTree));  // the space bar ticks at once
    loaded_ = true;
}

void FrmExchange::runInformation() {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    HelperWaitArgs wait;
    wait.window = hwnd();
    clsExchange exchange(wait);
    setProgressText(L"Asking MS Exchange Server whether it is running...", true);
    const bool present = exchange.IsExchange() != 0;
    if (!present && exchange.outcome() == HelperOutcome::kDone) ShowMessage({GetMessageText(kExchangeNotReachable)});
    if (present) {
        setProgressText(L"Reading the storage groups and stores of MS Exchange Server...", true);
        if (exchange.RunInformation() == HelperOutcome::kDone) {
            const std::wstring version = Trim(Trf_ReadUserProfile(L"ExchVersion"));
            if (version == L"2010" || version == L"2013") {
                useListMode();
            } else {
                showControl(kTree, true);
                LoadValues();
            }
        }
    }
    SetCursor(previous);
}

void FrmExchange::useListMode() {
    LoadValues_Exch2010();
    showControl(kTree, false);
    showControl(kRestoreTree, false);
    showControl(kList, true);
    showControl(kServer, true);
    if (auto* info = label(kInfo))
        info->setText(L"Select the Public Folder/Mailbox databases to be backed up to your Ostrova account");
}

void FrmExchange::LoadValues() {
    TraceScope scope(L"LoadValues");
    trapped(L"LoadValues", [&] {
        HWND tree = control(kTree);
        TreeView_DeleteAllItems(tree);
        model_ = BuildStorageModel(ReadStorageInfo(treeInfoReader()));
        items_.assign(model_.nodes.size(), nullptr);
        for (size_t i = 0; i < model_.nodes.size(); ++i) {
            const StorageNode& node = model_.nodes[i];
            TVINSERTSTRUCTW insert{};
            insert.hParent = node.parent < 0 ? TVI_ROOT : items_[node.parent];
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            insert.item.pszText = const_cast<wchar_t*>(node.text.c_str());
            insert.item.lParam = static_cast<LPARAM>(i);
            insert.item.iImage = insert.item.iSelectedImage = imageOf(node.kind);
            items_[i] = TreeView_InsertItem(tree, &insert);
        }
        syncTreeChecks();
        // The server and the administrative level open; the groups start collapsed.
        for (size_t i = 0; i < items_.size() && i < 2; ++i) TreeView_Expand(tree, items_[i], TVE_EXPAND);
    });
}

void FrmExchange::LoadValues_Exch2010() {
    TraceScope scope(L"LoadValues_Exch2010");
    trapped(L"LoadValues_Exch2010", [&] {
        const DatabaseListInfo info = ReadDatabaseListInfo(treeInfoReader());
        if (auto* server = label(kServer)) server->setText(ExchangeServerCaption(info.server));
        HWND list = control(kList);
        ListView_DeleteAllItems(list);
        databases_ = info.databases;
        for (size_t i = 0; i < databases_.size(); ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(databases_[i].c_str());
            const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            ListView_SetCheckState(list, index, FALSE);
        }
        listMode_ = !databases_.empty();
    });
}

void FrmExchange::syncTreeChecks() {
    HWND tree = control(kTree);
    for (size_t i = 0; i < items_.size(); ++i)
        if (NodeCheckState(tree, items_[i]) != model_.nodes[i].state) SetNodeCheckState(tree, items_[i], model_.nodes[i].state);
}

void FrmExchange::tvDatabase_NodeCheck(HTREEITEM item) {
    trapped(L"tvDatabase_NodeCheck", [&] {
        HWND tree = control(kTree);
        TVITEMW tv{};
        tv.mask = TVIF_HANDLE | TVIF_PARAM;
        tv.hItem = item;
        if (!TreeView_GetItem(tree, &tv)) return;
        const auto index = static_cast<size_t>(tv.lParam);
        if (index >= model_.nodes.size() || items_[index] != item) return;
        const int state = NodeCheckState(tree, item);
        if (state == model_.nodes[index].state) return;  // a click beside the box, or already followed
        const auto refusal = ApplyNodeCheck(model_, static_cast<int>(index), state, GetMessageText);
        syncTreeChecks();
        if (refusal) ShowMessage({*refusal});
    });
}

void FrmExchange::StoreValues() {
    TraceScope scope(L"StoreValues");
    trapped(L"StoreValues", [&] {
        if (listMode_) {
            std::vector<bool> checked;
            for (size_t i = 0; i < databases_.size(); ++i)
                checked.push_back(ListView_GetCheckState(control(kList), static_cast<int>(i)) != FALSE);
            selection_ = CheckedDatabases(databases_, checked);
            return;
        }
        selection_ = Trf_TraverseTree(model_);
        syncTreeChecks();
    });
}

ExchangeRunArgs FrmExchange::runArgs() {
    StoreValues();
    ExchangeRunArgs args;
    args.exchVersion = CurrentExchVersion();
    args.selection = selection_;
    args.temporaryPath = text(kTemp);
    args.destination = text(kDestination);
    args.encrypt = SendMessageW(control(kEncrypt), BM_GETCHECK, 0, 0) == BST_CHECKED;
    args.view = this;
    return args;
}

void FrmExchange::CmdNext_Click() { startRun(RunScope::kTransfer); }

void FrmExchange::localBackup() { startRun(RunScope::kLocalBackup); }

void FrmExchange::startRun(RunScope scope) {
    if (busy_) return;
    const ExchangeRunArgs args = runArgs();
    run_ = StartRun(args, scope, [this, args, scope](const ExchangeRunResult& result) {
        keepReport(args, result, scope == RunScope::kLocalBackup);
    });
}

void FrmExchange::keepReport(const ExchangeRunArgs& args, const ExchangeRunResult& result, bool localOnly) {
    ExchangeWizardReport report{args.exchVersion, localOnly, args.selection, Trim(args.destination), result, {}};
    // A transfer that got as far as the helper removed any older report first.
    if (!localOnly && result.backupRan && FileExists(RunReportPath())) report.reportPath = RunReportPath();
    lastRun_ = std::move(report);
}

void FrmExchange::chooseTemporary() {
    if (busy_) return;
    if (const auto folder = btnBrowse_Click(hwnd())) {
        SetWindowTextW(control(kTemp), folder->c_str());
        if (auto* next = button(kTransfer)) SetFocus(next->hwnd());
    }
}

void FrmExchange::chooseDestination() {
    if (busy_) return;
    browsePurpose_.transferDestination = true;
    const ChosenFolder chosen = ChooseTransferFolder(hwnd(), {true, browsePurpose_});
    browsePurpose_ = chosen.purposeAfter;
    if (chosen.boxText) SetWindowTextW(control(kDestination), chosen.boxText->c_str());
}

void FrmExchange::setRunning(bool running) {
    busy_ = running;
    enableControls({kTempBrowse, kDestinationBrowse, kEncrypt, kTransfer, kCancel, kClose}, !running);
    showControl(kCancelHint, running);
    if (running) SetFocus(hwnd());  // Esc must reach this window while its buttons are disabled
    UpdateWindow(hwnd());
}

void FrmExchange::onClose() {
    if (!askToStopRun() && !busy_) endModal();
}

void FrmExchange::onCommand(int id, int, HWND) {
    switch (id) {
        case kTempBrowse: chooseTemporary(); break;
        case kDestinationBrowse: chooseDestination(); break;
        case kTransfer: CmdNext_Click(); break;
        case kCancel:
        case kClose:
            if (!busy_) endModal();
            break;
        case kHelp: ShowHelpMenu(hwnd(), args_.helpMenu); break;
        default: break;
    }
}

bool FrmExchange::onKey(UINT vk, bool alt) {
    if (!alt && vk == VK_ESCAPE && askToStopRun()) return true;
    // Enter runs the helper's local backup alone; the other keys belong to the tree and the list.
    if (alt || vk != VK_RETURN || busy_) return false;
    localBackup();
    return true;
}

std::optional<ControlColors> FrmExchange::controlColors(UINT msg, HWND) const {
    if (msg == WM_CTLCOLOREDIT) return ControlColors{RGB(255, 255, 255)};
    if (msg == WM_CTLCOLORSTATIC) return ControlColors{skin::kBody};
    if (msg == WM_CTLCOLORBTN) return ControlColors{skin::kBody, skin::kText};  // the check box, by the theme
    return std::nullopt;
}

void FrmExchange::onTreeNotify(const NMHDR& header, LPARAM lp) {
    HWND tree = control(kTree);
    switch (header.code) {
        case NM_CLICK:
        case NM_DBLCLK:
        case TVN_KEYDOWN:
            if (HTREEITEM item = CheckToggledItem(tree, header, lp))
                PostMessageW(hwnd(), kMsgCheckClicked, 0, reinterpret_cast<LPARAM>(item));
            break;
        case TVN_ITEMEXPANDEDW: {
            // An open group shows an open folder.
            const auto& nm = *reinterpret_cast<const NMTREEVIEWW*>(lp);
            const int image = NodeImage(tree, nm.itemNew.hItem);
            const int folder = TreeViewControl::iconIndex(L"folder"), open = TreeViewControl::iconIndex(L"openfolder");
            if (nm.action & TVE_EXPAND) {
                if (image == folder && TreeView_GetChild(tree, nm.itemNew.hItem)) SetNodeImage(tree, nm.itemNew.hItem, open);
            } else if (image == open) {
                SetNodeImage(tree, nm.itemNew.hItem, folder);
            }
            break;
        }
        default: break;
    }
}

LRESULT FrmExchange::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kMsgLoad:
            if (!loaded_) Form_Load();
            return 0;
        case kMsgCheckClicked:
            tvDatabase_NodeCheck(reinterpret_cast<HTREEITEM>(lp));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lp);
            if (header->idFrom == static_cast<UINT_PTR>(kTree)) onTreeNotify(*header, lp);
            if (header->idFrom == static_cast<UINT_PTR>(kList) && header->code == LVN_BEGINLABELEDITW) return TRUE;
            break;
        }
        default:
            break;
    }
    return Window::onMessage(msg, wp, lp);
}

std::optional<ExchangeWizardReport> RunExchangeWizard(HWND owner, const ExchangeWizardArgs& args) {
    FrmExchange window(args);
    if (!window.runModal(owner)) return std::nullopt;
    return window.lastRun();
}

}  // namespace tess::exchange
