#include "ui/BrowseDialog.h"

#include <windowsx.h>

#include <exception>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/FileTree.h"
#include "ui/MessageBox.h"
#include "ui/ColumnTree.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"
#include "ui/Tips.h"

namespace tess {
namespace {

BrowseScript& browseScript() {
    static BrowseScript script;
    return script;
}

bool startsWithUnc(const std::wstring& path) { return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\'; }

bool isAccessDenied(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_NETWORK_ACCESS_DENIED:
            return true;
        default:
            return false;
    }
}

bool isPathNotFound(DWORD error) {
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE || error == ERROR_BAD_NETPATH;
}

}  // namespace

std::wstring InstructionLine(const BrowsePurpose& purpose) {
    if (purpose.exchangeTemp)
        return L"Select a folder to be used as a temporary location for the Exchange Server data transfer";
    if (purpose.sqlTemp)
        return L"Select a folder to be used as a temporary location for the SQL Server data transfer";
    if (purpose.transferDestination) return L"Select a folder to be used as a destination for data transfer operation";
    return L"Select a folder to be used for the backup operation.";
}

std::wstring DriveRootOf(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':' && iswalpha(path[0])) return path.substr(0, 2) + L"\\";
    if (!startsWithUnc(path)) return {};
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return {};
    size_t share = path.find(L'\\', server + 1);
    if (share == server + 1) return {};
    return (share == std::wstring::npos ? path : path.substr(0, share)) + L"\\";
}

// Node paths are built by joining folder texts, and a shell folder value may end with a
// separator, so doubled separators are folded; a leading "\\" is a network path and stays.
static std::wstring foldDoubledSeparators(const std::wstring& path) {
    if (startsWithUnc(path)) return L"\\" + ReplaceAll(path.substr(1), L"\\\\", L"\\");
    std::wstring folded = path;
    while (folded.find(L"\\\\") != std::wstring::npos) folded = ReplaceAll(folded, L"\\\\", L"\\");
    return folded;
}

OkDecision DecideCmdOk(const BrowsePurpose& purpose, std::optional<int> nodeImage, const std::wstring& nodePath,
                       const std::function<bool(const std::wstring& root)>& driveReady) {
    OkDecision d;
    if (!purpose.any()) {
        d.close = true;
        return d;
    }
    if (!nodeImage || *nodeImage == TreeViewControl::iconIndex(L"mycomp") ||
        *nodeImage == TreeViewControl::iconIndex(L"mydesktop")) {
        d.messageCode = 58;
        return d;
    }
    std::wstring path = Trim(nodePath);
    if (!path.empty()) {
        path = foldDoubledSeparators(path);
        d.selectedPath = path;
        if (!IsBlank(path.substr(0, 2)) && !driveReady(DriveRootOf(path))) {
            d.messageCode = 15;
            return d;
        }
    }
    d.close = true;
    return d;
}

std::wstring PathOnUnload(const std::wstring& selected, const BrowsePurpose& purpose) {
    std::wstring path = selected;
    // The last character only, and a drive root's too (not WithoutTrailingBackslash): a drive
    // comes back as "E:", the form in which the wizards show and compare it.
    if ((purpose.transferDestination || purpose.sqlTemp) && !IsBlank(path) && path.back() == L'\\') path.pop_back();
    return path;
}

BrowsePurpose FlagsOnUnload(BrowsePurpose purpose) {
    purpose.transferDestination = false;
    return purpose;
}

FolderChoice ScreenChosenFolder(const std::wstring& chosen, bool destination, UINT driveType) {
    FolderChoice c;
    std::wstring folder = Trim(chosen);
    if (folder.empty()) return c;  // kIgnore: the user closed the dialog
    if (startsWithUnc(folder)) {
        c.action = FolderChoice::kReopen;
        c.messageCode = 181;
        // Only the temporary folder has a sensible default; a destination box must never be
        // pointed at the program's own folder behind the user's back.
        c.resetToSqlTemp = !destination;
        return c;
    }
    if (!destination && driveType != DRIVE_FIXED) {
        c.action = FolderChoice::kReopen;
        c.messageCode = 180;
        return c;
    }
    if (folder.size() == 3 && folder[1] == L':' && folder[2] == L'\\') folder.resize(2);
    c.action = FolderChoice::kCheckAndAccept;
    c.folder = folder;
    return c;
}

std::wstring TrialWriteFile(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\') return folder + L"Dummy.txt";
    return folder + L"\\Dummy.txt";
}

FolderChoice JudgeTrialWrite(const std::wstring& folder, DWORD error) {
    FolderChoice c;
    c.folder = folder;
    if (error == ERROR_SUCCESS) {
        c.action = FolderChoice::kAccept;
    } else if (isAccessDenied(error) || isPathNotFound(error)) {
        c.action = FolderChoice::kReopen;
        c.messageCode = isAccessDenied(error) ? 182 : 183;
        c.setDestinationFlag = true;
    } else {
        c.action = FolderChoice::kGiveUp;
    }
    return c;
}

DWORD TrialWrite(const std::wstring& folder) {
    const std::wstring file = TrialWriteFile(folder);
    // CREATE_NEW never touches an existing file, and the system removes ours when the handle
    // closes, so nothing is left behind even if the program dies here.
    UniqueFile created(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (created) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
    // Somebody's Dummy.txt is there already: opening it for writing answers the question
    // without changing it.
    UniqueFile existing(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return existing ? ERROR_SUCCESS : GetLastError();
}

void SetBrowseScriptForTesting(BrowseScript script) { browseScript() = std::move(script); }

std::wstring ShowLocalFileBrowse(HWND owner, const BrowsePurpose& purpose) {
    if (browseScript()) {
        std::optional<std::wstring> accepted = browseScript()(purpose);
        return PathOnUnload(accepted ? foldDoubledSeparators(Trim(*accepted)) : std::wstring(), purpose);
    }
    frmLocalFileBrowse dialog(purpose);
    dialog.runModal(owner);
    return dialog.selectedPath();
}

namespace {

// The checks of one folder the dialog left: screening, then the trial write where it exists.
FolderChoice checkChosenFolder(const std::wstring& chosen, bool destination, DWORD& writeError) {
    FolderChoice choice = ScreenChosenFolder(chosen, destination, GetDriveTypeW(DriveRootOf(chosen).c_str()));
    if (choice.action != FolderChoice::kCheckAndAccept) return choice;
    if (!FolderExists(choice.folder)) {
        choice.action = FolderChoice::kAccept;  // the run creates it
        return choice;
    }
    writeError = TrialWrite(choice.folder);
    return JudgeTrialWrite(choice.folder, writeError);
}

}  // namespace

ChosenFolder ChooseTransferFolder(HWND owner, const FolderRequest& request) {
    TraceScope trace(L"ChooseTransferFolder");
    ChosenFolder result;
    BrowsePurpose purpose = request.purpose;
    for (;;) {
        if (!purpose.any()) (request.destination ? purpose.transferDestination : purpose.sqlTemp) = true;
        const std::wstring chosen = Trim(ShowLocalFileBrowse(owner, purpose));
        purpose = FlagsOnUnload(purpose);
        DWORD writeError = ERROR_SUCCESS;
        const FolderChoice choice = checkChosenFolder(chosen, request.destination, writeError);
        if (choice.action == FolderChoice::kReopen) {
            ShowMessage({GetMessageText(choice.messageCode), kIconWarning});
            result.refusals.push_back(choice.messageCode);
            if (choice.resetToSqlTemp) result.boxText = ProgramFolder() + L"\\SQLTEMP";
            if (choice.setDestinationFlag) purpose.transferDestination = true;
            continue;
        }
        if (choice.action == FolderChoice::kGiveUp) {
            result.writeError = writeError;
            TraceError(L"cmdBrowseTempRestPath_Click",
                       L" , Reason : " + std::to_wstring(writeError) + L"  " + ErrorDescription(writeError));
        } else if (choice.action == FolderChoice::kAccept) {
            result.boxText = choice.folder;
            result.accepted = true;
        }
        break;
    }
    result.purposeAfter = purpose;
    return result;
}

}  // namespace tess

// ---- frmLocalFileBrowse ----

namespace tess {
namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 420;
constexpr DesignRect kTreeRect{16, 80, kWidth - 32, 292};
constexpr UINT kMsgCheckClicked = WM_APP + 1;

const ControlSpec kLayout[] = {
    {L"imgTitleinfo", frmLocalFileBrowse::kIdTitleInfo, ControlKind::Picture, {10, 5, 20, 20}, L"vx_folder"},
    {L"lblTitle", frmLocalFileBrowse::kIdTitle, ControlKind::CaptionBar, {36, 0, 300, 30}, L"Browse My Computer"},
    {L"lblCapbar", frmLocalFileBrowse::kIdCapbar, ControlKind::CaptionBar, {336, 0, kWidth - 336 - 32, 30}},
    {L"lblClose", frmLocalFileBrowse::kIdClose, ControlKind::CloseBox, {kWidth - 27, 5, 20, 20}, L"vx_small_close"},
    {L"Label1", frmLocalFileBrowse::kIdInstruction, ControlKind::Label, {16, 42, kWidth - 32, 34},
     L"Select a folder to be used for the backup operation."},
    {L"cmdOK", frmLocalFileBrowse::kIdOk, ControlKind::ImageButton, {kWidth - 16 - 73 - 10 - 73, 386, 73, 23}, L"OK"},
    {L"CmdCancel", frmLocalFileBrowse::kIdCancel, ControlKind::ImageButton, {kWidth - 16 - 73, 386, 73, 23}, L"Close"},
    {L"Drive1", frmLocalFileBrowse::kIdDrives, ControlKind::Native, {16, 386, 120, 200}, L"", WC_COMBOBOXW,
     CBS_DROPDOWNLIST | WS_VSCROLL},
};

HTREEITEM childByText(HWND tree, HTREEITEM parent, const std::wstring& text) {
    for (HTREEITEM c : ChildNodes(tree, parent))
        if (EqualsNoCase(NodeText(tree, c), text)) return c;
    return nullptr;
}

}  // namespace

frmLocalFileBrowse::frmLocalFileBrowse(const BrowsePurpose& purpose)
    : Window(L"frmLocalFileBrowse", {0, 0, kWidth, kHeight}), purpose_(purpose) {}

bool frmLocalFileBrowse::onCreate() {
    addControls(kLayout);
    setUpCaption(kIdTitle, kCaptionLineFormat);
    setAltKeys({{'O', kIdOk}, {'C', kIdCancel}});
    button(kIdOk)->setState(ImageButton::kNormal);
    button(kIdCancel)->setState(ImageButton::kNormal);

    // A purpose means one folder is picked by selection; ticks would only suggest otherwise.
    checkBoxes_ = !purpose_.any();
    label(kIdInstruction)->setText(InstructionLine(purpose_));
    tree_ = CreateColumnTree(hwnd(), kIdTree, scale(kTreeRect), checkBoxes_ ? TVS_CHECKBOXES : 0,
                             L"ColumnLocalTreeView");
    if (!tree_) return false;
    TreeViewControl& filler = LocalTreeFiller();
    filler.ChangeNewStdTime();
    filler.setUpImageList(tree_, hwnd());
    filler.setUpColumns(tree_, 280, 50, 100);
    fillDriveList();
    filler.PopulateLocalTreeView(tree_, driveList(), false, purpose_.transferDestination);
    RoundedBorder(hwnd(), name());
    return true;
}

void frmLocalFileBrowse::fillDriveList() {
    HWND combo = control(kIdDrives);
    for (const auto& root : LogicalDriveList())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToLower(root.substr(0, 2)).c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

std::vector<std::wstring> frmLocalFileBrowse::driveList() const {
    std::vector<std::wstring> drives;
    HWND combo = control(kIdDrives);
    auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 63) SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        drives.emplace_back(text);
    }
    return drives;
}

void frmLocalFileBrowse::onLayout() {
    if (!tree_) return;
    RECT r = scale(kTreeRect);
    HWND frame = ColumnTreeFrame(tree_);
    SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(font(FontRole::Body)), FALSE);
    MoveWindow(frame, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void frmLocalFileBrowse::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kPanel));
    SetImagetoScreenSmall(dc, client, dpi());
}

LRESULT frmLocalFileBrowse::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NOTIFY: {
            const auto& hdr = *reinterpret_cast<const NMHDR*>(lp);
            if (tree_ && hdr.hwndFrom == tree_) return onTreeNotify(hdr, lp);
            break;
        }
        case WM_SETFOCUS:
            // Keyboard users land in the tree: arrows, space and letters work at once.
            if (tree_) {
                SetFocus(tree_);
                return 0;
            }
            break;
        case kMsgCheckClicked:
            onCheckClicked(reinterpret_cast<HTREEITEM>(lp));
            return 0;
    }
    return Window::onMessage(msg, wp, lp);
}

LRESULT frmLocalFileBrowse::onTreeNotify(const NMHDR& hdr, LPARAM lp) {
    switch (hdr.code) {
        case TVN_ITEMEXPANDINGW:
            return LocalTreeFiller().onItemExpanding(tree_, *reinterpret_cast<const NMTREEVIEWW*>(lp), true);
        case NM_CLICK:
        case NM_DBLCLK:
        case TVN_KEYDOWN:
            if (HTREEITEM item = checkBoxes_ ? CheckToggledItem(tree_, hdr, lp) : nullptr)
                PostMessageW(hwnd(), kMsgCheckClicked, 0, reinterpret_cast<LPARAM>(item));
            break;
    }
    return 0;
}

void frmLocalFileBrowse::onCheckClicked(HTREEITEM node) {
    if (!tree_ || !node) return;
    TreeViewControl& filler = LocalTreeFiller();
    filler.RefreshColparentchecks(tree_, node);
    filler.RefreshColChildChecks(tree_, node);
}

void frmLocalFileBrowse::onCommand(int id, int /*code*/, HWND /*control*/) {
    switch (id) {
        case kIdOk: CmdOk_Click(); break;
        case kIdCancel:
        case kIdClose: CmdCancel_Click(); break;
    }
}

bool frmLocalFileBrowse::onKey(UINT vk, bool alt) {
    if (!alt) {
        if (vk != VK_ESCAPE) return false;  // arrows, space and letters belong to the tree
        CmdCancel_Click();
        return true;
    }
    return true;  // other Alt keys: no menu, no beep
}

void frmLocalFileBrowse::onClose() { CmdCancel_Click(); }

void frmLocalFileBrowse::CmdOk_Click() {
    TraceScope trace(L"CmdOk_Click");
    HideTip();
    try {
        HTREEITEM node = tree_ ? TreeView_GetSelection(tree_) : nullptr;
        std::optional<int> image;
        if (node) image = NodeImage(tree_, node);
        const std::optional<EntryRecord> entry = node ? NodeEntry(tree_, node) : std::nullopt;
        const std::wstring path = entry ? entry->path : std::wstring();
        OkDecision d = DecideCmdOk(purpose_, image, path, IsDriveReady);
        if (d.selectedPath) selected_ = *d.selectedPath;
        if (d.messageCode) ShowMessage({GetMessageText(d.messageCode)});
        if (d.close) endModal();
    } catch (const std::exception& e) {
        WriteLog(L"Error in function CmdOk_Click " + FromAnsi(e.what()), kLogError);
    }
}

void frmLocalFileBrowse::CmdCancel_Click() {
    TraceScope trace(L"CmdCancel_Click");
    HideTip();
    selected_.clear();
    endModal();
}

void frmLocalFileBrowse::onDestroy() {
    selected_ = PathOnUnload(selected_, purpose_);
    tree_ = nullptr;
}

HTREEITEM frmLocalFileBrowse::selectRoot(bool myComputer) {
    if (!tree_) return nullptr;
    HTREEITEM root = childByText(tree_, TVI_ROOT, myComputer ? L"My Computer" : L"My Files");
    if (root) TreeView_SelectItem(tree_, root);
    return root;
}

HTREEITEM frmLocalFileBrowse::selectFolder(const std::wstring& path) {
    if (!tree_ || path.size() < 2 || path[1] != L':') return nullptr;
    HTREEITEM node = childByText(tree_, TVI_ROOT, L"My Computer");
    if (node) node = childByText(tree_, node, ToUpper(path.substr(0, 2)));
    for (const auto& part : SplitFullText(path.substr(2), L"\\")) {
        if (!node || part.empty()) continue;
        TreeView_Expand(tree_, node, TVE_EXPAND);  // reads the children on the way down
        node = childByText(tree_, node, part);
    }
    if (node) TreeView_SelectItem(tree_, node);
    return node;
}

}  // namespace tess
