#include "ui/FileTree.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "common/Files.h"
#include "common/Log.h"
#include "common/Registry.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/ColumnTree.h"
#include "ui/Skin.h"
#include "ui/Window.h"

namespace tess {

const wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

namespace {

// The order of this table is the order of the tree's image list.
constexpr const wchar_t* kTreeImageKeys[] = {L"folder",         L"openfolder", L"file",   L"foldergray",
                                             L"openfoldergray", L"gray",       L"mycomp", L"mydesktop",
                                             L"Drive",          L"drive"};

std::wstring reasonOf(const std::exception& e) { return FromAnsi(e.what()); }

BackupSetEntryOutside gBackupSetLookup;

// A backup set folder holds the helper's inventory.
bool isBackupSetFolder(const std::wstring& folder) { return FileExists(JoinPath(folder, L"ExchBackupINI.ini")); }

std::wstring lastComponent(const std::wstring& path) { return AfterLast(WithoutTrailingBackslash(path), L"\\"); }

// Where a listed folder lies in a backup set: the set folder itself (group empty), one of its
// storage groups, or nowhere (folder empty).
struct BackupSetPlace {
    std::wstring folder;
    std::wstring group;
};
BackupSetPlace backupSetPlaceOf(const std::wstring& listed) {
    if (!gBackupSetLookup) return {};
    const std::wstring bare = WithoutTrailingBackslash(listed);
    if (isBackupSetFolder(bare)) return {bare, L""};
    const std::wstring parent = ParentFolder(bare);
    if (!parent.empty() && isBackupSetFolder(parent)) return {parent, lastComponent(bare)};
    return {};
}

bool isGreyFolder(int image) {
    return image == TreeViewControl::iconIndex(L"foldergray") || image == TreeViewControl::iconIndex(L"openfoldergray");
}

void setHasChildren(HWND tree, HTREEITEM node, bool has) {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tv.hItem = node;
    tv.cChildren = has ? 1 : 0;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

}  // namespace

// ---- Values ----

std::wstring MakeEntryRecord(const EntryRecord& r) {
    return r.number + L">" + r.date + L">" + r.size + L">" + r.path;
}

EntryRecord ParseEntryRecord(std::wstring_view key) {
    EntryRecord r;
    // A path cannot hold ">", so the first three separators are the field borders.
    std::wstring* fields[] = {&r.number, &r.date, &r.size};
    for (std::wstring* field : fields) {
        size_t cut = key.find(L'>');
        if (cut == std::wstring_view::npos) {
            if (field == &r.number) {  // no separator at all: the key is a bare path
                r.path = std::wstring(key);
                return r;
            }
            break;
        }
        *field = std::wstring(key.substr(0, cut));
        key.remove_prefix(cut + 1);
    }
    r.path = std::wstring(key);
    return r;
}

std::wstring EntryPath(std::wstring_view parentPath, std::wstring_view name, bool isFolder) {
    std::wstring path(parentPath);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += name;
    if (isFolder && (path.empty() || path.back() != L'\\')) path += L'\\';
    return path;
}

std::wstring FormatEntryDate(const FILETIME& utc) {
    SYSTEMTIME st{}, local{};
    if (!FileTimeToSystemTime(&utc, &st) || !SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) return {};
    wchar_t date[80] = {}, time[80] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, time, 80);
    return std::wstring(date) + L" " + time;
}

bool IsListedDriveType(UINT driveType, bool removableToo) {
    return driveType == DRIVE_FIXED || driveType == DRIVE_REMOTE || (removableToo && driveType == DRIVE_REMOVABLE);
}

std::vector<std::wstring> ListedDrives(const std::vector<std::wstring>& driveList,
                                       const std::function<UINT(const std::wstring& root)>& driveTypeOf,
                                       bool removableToo) {
    std::vector<std::wstring> drives;
    for (const auto& entry : driveList) {
        if (entry.size() < 2 || entry[1] != L':') continue;
        std::wstring drive = ToUpper(entry.substr(0, 2));
        if (IsListedDriveType(driveTypeOf(drive + L"\\"), removableToo)) drives.push_back(drive);
    }
    return drives;
}

std::vector<std::wstring> LogicalDriveList() {
    std::vector<wchar_t> buffer(128);
    DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.resize(length + 1);
        length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    std::vector<std::wstring> drives;
    for (const wchar_t* p = buffer.data(); length && *p; p += wcslen(p) + 1) drives.emplace_back(p);
    return drives;
}

std::vector<SpecialFolder> SpecialFolders(const std::function<std::wstring(const std::wstring&)>& readValue) {
    struct Entry {
        const wchar_t* text;
        const wchar_t* valueNames[2];
    };
    static const Entry kEntries[] = {
        {L"My Desktop", {L"Desktop", nullptr}},        {L"My Documents", {L"Personal", nullptr}},
        {L"My Music", {L"My Music", L"Music"}},        {L"My Pictures", {L"My Pictures", L"Pictures"}},
        {L"My Video", {L"My Video", L"Videos"}},       {L"Favorites", {L"Favorites", nullptr}},
    };
    std::vector<SpecialFolder> folders;
    for (const auto& entry : kEntries) {
        std::wstring folder;
        for (const wchar_t* name : entry.valueNames)
            if (name && folder.empty()) folder = Trim(readValue(name));
        if (!folder.empty()) folders.push_back({entry.text, WithoutTrailingBackslash(folder)});
    }
    return folders;
}

std::vector<SpecialFolder> ReadSpecialFolders(HKEY root, const std::wstring& keyPath) {
    return SpecialFolders([&](const std::wstring& name) { return ReadRegString(root, keyPath, name); });
}

TimeZoneLabel ParseTimeStampSetting(std::wstring_view value) {
    std::wstring text = Trim(value);
    if (text.empty()) return {L"PST", L"-0800"};
    size_t cut = text.find(L'\b');
    if (cut == std::wstring::npos) return {text, L""};
    return {text.substr(0, cut), text.substr(cut + 1)};
}

// ---- Node helpers ----

int NodeImage(HWND tree, HTREEITEM node) {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_IMAGE;
    tv.hItem = node;
    return SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) ? tv.iImage : -1;
}

void SetNodeImage(HWND tree, HTREEITEM node, int image) {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tv.hItem = node;
    tv.iImage = tv.iSelectedImage = image;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

int NodeCheckState(HWND tree, HTREEITEM node) {
    auto state = static_cast<UINT>(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_STATEIMAGEMASK));
    return static_cast<int>(state >> 12);
}

void SetNodeCheckState(HWND tree, HTREEITEM node, int state) {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_STATE;
    tv.hItem = node;
    tv.stateMask = TVIS_STATEIMAGEMASK;
    tv.state = INDEXTOSTATEIMAGEMASK(state);
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

std::wstring NodeText(HWND tree, HTREEITEM node) {
    wchar_t text[MAX_PATH + 1] = {};
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_TEXT;
    tv.hItem = node;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    return SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) ? text : L"";
}

std::optional<EntryRecord> NodeEntry(HWND tree, HTREEITEM node) {
    const ColumnTreeItem* data = TreeItemData(tree, node);
    const EntryRecord* entry = data ? std::any_cast<EntryRecord>(&data->value) : nullptr;
    return entry ? std::optional<EntryRecord>(*entry) : std::nullopt;
}

std::vector<HTREEITEM> ChildNodes(HWND tree, HTREEITEM node) {
    std::vector<HTREEITEM> children;
    for (HTREEITEM c = TreeView_GetChild(tree, node); c; c = TreeView_GetNextSibling(tree, c)) children.push_back(c);
    return children;
}

HTREEITEM CheckToggledItem(HWND tree, const NMHDR& header, LPARAM lp) {
    if (header.code == TVN_KEYDOWN)
        return reinterpret_cast<const NMTVKEYDOWN*>(lp)->wVKey == VK_SPACE ? TreeView_GetSelection(tree) : nullptr;
    if (header.code != NM_CLICK && header.code != NM_DBLCLK) return nullptr;
    const DWORD pos = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree, &hit);
    return item && (hit.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

// ---- TreeViewControl ----

int TreeViewControl::iconIndex(std::wstring_view imageKey) {
    for (int i = 0; i < static_cast<int>(std::size(kTreeImageKeys)); ++i)
        if (imageKey == kTreeImageKeys[i]) return i;
    return -1;
}

void TreeViewControl::setUpColumns(HWND tree, int nameWidth, int sizeWidth, int dateWidth) {
    TraceScope trace(L"setUpColumns");
    try {
        SetTreeColumns(tree, {{L"", L"Name", nameWidth, false},
                              {L"size", L"Size", sizeWidth, true},
                              {L"moddate", L"Modified Date", dateWidth, false}});
    } catch (const std::exception& e) {
        WriteLog(L"Error Reason :" + reasonOf(e), kLogError);
    }
}

std::wstring TreeViewControl::nextNumber() { return std::to_wstring(++entryCount_); }

void TreeViewControl::PopulateLocalTreeView(HWND tree, const std::vector<std::wstring>& driveList, bool skipMyComputer,
                                            bool removableToo) {
    TraceScope trace(L"PopulateLocalTreeView");
    try {
        if (!skipMyComputer) {
            if (driveList.empty()) WriteLog(L"Content of list box is zero in setLocalColTreeRoot", kLogError);
            HTREEITEM root = AddTreeItem(tree, TVI_ROOT, {L"mycomputer", {}, true, {}}, L"My Computer",
                                         iconIndex(L"mycomp"), false);
            // Drive nodes carry a folder entry record like every other node, so that "OK" on a
            // drive reads its root ("E:\") the same way as a folder its path.
            for (const auto& drive : ListedDrives(driveList, [](const std::wstring& r) { return GetDriveTypeW(r.c_str()); }, removableToo)) {
                EntryRecord record{nextNumber(), L"", L"", drive + L"\\"};
                AddTreeItem(tree, root, {MakeEntryRecord(record), {}, false, record}, drive, iconIndex(L"Drive"), true);
            }
            TreeView_Expand(tree, root, TVE_EXPAND);
            TreeView_EnsureVisible(tree, root);
        }
        HTREEITEM myFiles = AddTreeItem(tree, TVI_ROOT, {L"myfiles", {}, true, {}}, L"My Files", iconIndex(L"mydesktop"), false);
        for (const auto& special : ReadSpecialFolders(HKEY_CURRENT_USER, kShellFoldersKey)) {
            EntryRecord record{nextNumber(), L"", L"", EntryPath(special.folder, L"", true)};
            AddTreeItem(tree, myFiles, {MakeEntryRecord(record), {}, false, record}, special.text, iconIndex(L"folder"),
                        true);
        }
    } catch (const std::exception& e) {
        WriteLog(L"Unable to display the local directory content while populating the local tree " + reasonOf(e),
                 kLogError);
    }
}

std::vector<std::wstring> TreeViewControl::GetLocalFolderContents(const std::wstring& folder, bool foldersOnly) {
    TraceScope trace(L"GetLocalFolderContents");
    struct Found {
        std::wstring name;
        std::wstring record;
    };
    std::vector<Found> found;
    try {
        WIN32_FIND_DATAW fd{};
        // The basic information level skips the 8.3 names, which a tree never shows.
        UniqueFind search(FindFirstFileExW(EntryPath(folder, L"*.*", false).c_str(), FindExInfoBasic, &fd,
                                           foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!search) {
            DWORD error = GetLastError();
            // A folder the user may not open (System Volume Information, another user's
            // profile) simply shows no children; the log says why.
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
                WriteLog(L"Error Reason :" + folder + L" " + ErrorDescription(error), kLogError);
            return {};
        }
        do {
            std::wstring name = fd.cFileName;  // the API terminates it; an empty one is skipped
            if (name.empty() || name == L"." || name == L"..") continue;
            bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (foldersOnly && !isFolder) continue;
            std::wstring path = EntryPath(folder, name, isFolder);
            // Listed but not reachable (a dangling link, a namespace-only entry): not a place to
            // browse into or ship to.
            if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
                WriteLog(L"virtual folder not added to tree: " + path, kLogInformation);
                continue;
            }
            try {
                uint64_t size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
                EntryRecord record{nextNumber(), FormatEntryDate(fd.ftLastWriteTime),
                                   isFolder ? L"" : std::to_wstring(size), path};
                found.push_back({name, MakeEntryRecord(record)});
            } catch (const std::exception&) {
                WriteLog((isFolder ? L"Error in retrieving details for the folder: "
                                   : L"Error in retrieving details for the file: ") + path, kLogError);
            }
        } while (FindNextFileW(search.get(), &fd));
    } catch (const std::exception& e) {
        WriteLog(L"Error Reason :" + reasonOf(e), kLogError);
    }
    // Wine and some network file systems list in no particular order; people look for names.
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0; });
    std::vector<std::wstring> records;
    records.reserve(found.size());
    for (auto& f : found) records.push_back(std::move(f.record));
    return records;
}

void SetBackupSetLookup(BackupSetEntryOutside lookup) { gBackupSetLookup = std::move(lookup); }

void TreeViewControl::PopulateLocalFolder(HWND tree, HTREEITEM node, bool foldersOnly) {
    TraceScope trace(L"PopulateLocalFolder");
    try {
        ColumnTreeItem* data = TreeItemData(tree, node);
        if (!data || data->listed) return;
        data->listed = true;
        std::wstring folder = ParseEntryRecord(data->key).path;
        if (folder.empty()) return;
        bool grey = isGreyFolder(NodeImage(tree, node));
        int folderImage = iconIndex(grey ? L"foldergray" : L"folder");
        int fileImage = iconIndex(grey ? L"gray" : L"file");
        std::vector<std::wstring> records = GetLocalFolderContents(folder, foldersOnly);
        // Inside a backup set, what its inventory does not list is shown grey.
        const BackupSetPlace set = grey ? BackupSetPlace{} : backupSetPlaceOf(folder);
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        for (auto& record : records) {
            EntryRecord e = ParseEntryRecord(record);
            bool isFolder = !e.path.empty() && e.path.back() == L'\\';
            std::wstring name = lastComponent(e.path);
            bool outside = false;
            if (!set.folder.empty() && (isFolder || !set.group.empty())) {
                const std::wstring stem = isFolder ? name : name.substr(0, name.rfind(L'.'));
                outside = set.group.empty() ? gBackupSetLookup(set.folder, name, L"") : gBackupSetLookup(set.folder, set.group, stem);
            }
            const int image = outside ? iconIndex(isFolder ? L"foldergray" : L"gray") : isFolder ? folderImage : fileImage;
            // A link is shown (it may be the folder the user wants) but not opened: what it
            // points to lies outside the folder being browsed.
            const bool expandable = isFolder && !IsLink(e.path);
            AddTreeItem(tree, node, {std::move(record), {e.size, e.date}, false, e}, name, image, expandable);
        }
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        if (records.empty()) setHasChildren(tree, node, false);  // the expand button goes away
        InvalidateRect(tree, nullptr, TRUE);
    } catch (const std::exception& e) {
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        WriteLog(L"Error Reason :" + reasonOf(e), kLogError);
    }
}

LRESULT TreeViewControl::onItemExpanding(HWND tree, const NMTREEVIEWW& nm, bool foldersOnly) {
    HTREEITEM node = nm.itemNew.hItem;
    int image = NodeImage(tree, node);
    if (nm.action & TVE_COLLAPSE) {
        if (image == iconIndex(L"openfolder")) SetNodeImage(tree, node, iconIndex(L"folder"));
        if (image == iconIndex(L"openfoldergray")) SetNodeImage(tree, node, iconIndex(L"foldergray"));
        return FALSE;
    }
    if (!(nm.action & TVE_EXPAND)) return FALSE;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    PopulateLocalFolder(tree, node, foldersOnly);
    bool hasChildren = TreeView_GetChild(tree, node) != nullptr;
    if (hasChildren && image == iconIndex(L"folder")) SetNodeImage(tree, node, iconIndex(L"openfolder"));
    if (hasChildren && image == iconIndex(L"foldergray")) SetNodeImage(tree, node, iconIndex(L"openfoldergray"));
    if (hasChildren && NodeCheckState(tree, node) == kChecked) RefreshColChildChecks(tree, node);
    SetCursor(previous);
    return hasChildren ? FALSE : TRUE;
}

// The walk does not let the window process events between levels: a path is at most a few
// dozen levels deep, setting a state is immediate, and dispatching input in the middle would let
// a second click start another walk over a half-updated chain.
void TreeViewControl::RefreshColparentchecks(HWND tree, HTREEITEM node) {
    TraceScope trace(L"RefreshColparentchecks");
    try {
        int state = NodeCheckState(tree, node);
        for (HTREEITEM p = TreeView_GetParent(tree, node); p; p = TreeView_GetParent(tree, p))
            SetNodeCheckState(tree, p, state);
    } catch (const std::exception& e) {
        TraceError(L"RefreshColparentchecks ", reasonOf(e));
    }
}

void TreeViewControl::RefreshColChildChecks(HWND tree, HTREEITEM node) {
    TraceScope trace(L"RefreshColChildChecks");
    try {
        int state = NodeCheckState(tree, node);
        std::vector<HTREEITEM> pending = ChildNodes(tree, node);
        while (!pending.empty()) {
            HTREEITEM n = pending.back();
            pending.pop_back();
            SetNodeCheckState(tree, n, state);
            for (HTREEITEM c : ChildNodes(tree, n)) pending.push_back(c);
        }
    } catch (const std::exception& e) {
        TraceError(L"RefreshChildChecks ", reasonOf(e));
    }
}

void TreeViewControl::ChangeNewStdTime() {
    if (zoneRead_) return;
    TraceScope trace(L"ChangeNewStdTime");
    zoneRead_ = true;
    try {
        zone_ = ParseTimeStampSetting(Trf_ReadUserProfile(L"TimeStamp"));
    } catch (const std::exception& e) {
        zone_ = ParseTimeStampSetting(L"");
        WriteLog(L"Error Reason :" + reasonOf(e), kLogError);
    }
}

void TreeViewControl::setUpImageList(HWND tree, HWND window) {
    TraceScope trace(L"setUpImageList");
    try {
        // Drawn at the window's density so the small images stay crisp; the tree's frame owns
        // the list and frees it with the tree.
        int size = MulDiv(16, DpiForWindow(window ? window : tree), 96);
        std::vector<std::wstring> keys(std::begin(kTreeImageKeys), std::end(kTreeImageKeys));
        HIMAGELIST list = CreateSkinImageList(keys, size);
        if (!list) return;
        HIMAGELIST old = TreeView_SetImageList(tree, list, TVSIL_NORMAL);
        if (old && old != list) ImageList_Destroy(old);
    } catch (const std::exception& e) {
        WriteLog(L"Error Reason :" + reasonOf(e), kLogError);
    }
}

TreeViewControl& LocalTreeFiller() {
    static TreeViewControl instance;
    return instance;
}

}  // namespace tess
