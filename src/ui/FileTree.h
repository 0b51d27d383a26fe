#pragma once
// The local file tree: "My Computer" with its fixed and network drives, "My Files" with the
// user's shell folders, and below them the folders (and files) of the disk, read only when a
// node is expanded. Each node's key is a folder entry record "number>date>size>path", and the
// node keeps the record's fields too, so that the browse dialog reads the chosen path as a value
// instead of parsing the key. The check-mark helpers and the image lookup are shared with the
// Exchange storage tree.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// ---- Values, no windows ----

// Check states as the tree reports them (the state-image index).
constexpr int kUnchecked = 1;
constexpr int kChecked = 2;

// The four fields of a folder entry record.
struct EntryRecord {
    std::wstring number;  // the program-wide running number
    std::wstring date;    // last modification, general date-and-time format
    std::wstring size;    // bytes as a plain decimal number; empty for a folder
    std::wstring path;    // full path; a folder's ends with "\"
};
std::wstring MakeEntryRecord(const EntryRecord& record);
// Fields of a key; a key without ">" is all path (so a bare folder path works too).
EntryRecord ParseEntryRecord(std::wstring_view key);

// parentPath + name, with exactly one "\" between, and a trailing "\" for a folder.
std::wstring EntryPath(std::wstring_view parentPath, std::wstring_view name, bool isFolder);

// The general date-and-time text of a UTC file time, in the user's local time and formats.
std::wstring FormatEntryDate(const FILETIME& utc);

// Fixed disks and network drives appear under "My Computer" (optical drives are slow or empty to
// browse and no place for a transfer); removable drives too where the folder is a transfer's
// destination, the USB stick or card the user will ship.
bool IsListedDriveType(UINT driveType, bool removableToo = false);
// The drives of the list (each entry starts with its two-character drive, "c:" or "C:\") that
// are listed, as "C:" in upper case, in list order.
std::vector<std::wstring> ListedDrives(const std::vector<std::wstring>& driveList,
                                       const std::function<UINT(const std::wstring& root)>& driveTypeOf,
                                       bool removableToo = false);
// Every drive of the machine as "C:\", from GetLogicalDriveStringsW.
std::vector<std::wstring> LogicalDriveList();

// The children of "My Files": tree text and folder (without trailing "\"), in display order.
struct SpecialFolder {
    std::wstring text;
    std::wstring folder;
};
// `readValue` gives the value of the Shell Folders key for a value name ("" when missing).
// Folders whose value is missing are left out; music, pictures and video fall back to the
// value names that newer Windows versions use.
std::vector<SpecialFolder> SpecialFolders(const std::function<std::wstring(const std::wstring& valueName)>& readValue);
// The same from a registry key (HKCU + the Explorer Shell Folders key in the program).
std::vector<SpecialFolder> ReadSpecialFolders(HKEY root, const std::wstring& keyPath);
extern const wchar_t kShellFoldersKey[];

// The "TimeStamp" setting split at the backspace character into zone name and offset; "PST"
// and "-0800" when it is blank.
struct TimeZoneLabel {
    std::wstring name;
    std::wstring offset;
};
TimeZoneLabel ParseTimeStampSetting(std::wstring_view value);

// Whether an entry of a backup set lies outside what the set holds, so that the tree shows it
// grey: a folder directly in the set folder (a storage group; `database` empty) or an entry of
// such a folder (a database of that group). The program installs the Exchange inventory lookup;
// without one nothing is greyed.
using BackupSetEntryOutside =
    std::function<bool(const std::wstring& setFolder, const std::wstring& group, const std::wstring& database)>;
void SetBackupSetLookup(BackupSetEntryOutside lookup);

// ---- The tree filler ----

class TreeViewControl {
public:
    // Index of an image key in the tree image list that setUpImageList builds ("folder",
    // "openfolder", "file", "foldergray", "openfoldergray", "gray", "mycomp", "mydesktop",
    // "Drive", "drive"; case matters); -1 for any other key.
    static int iconIndex(std::wstring_view imageKey);

    // The tree's image list, drawn from the shared skin images at the window's density. A
    // column tree frees it with the tree; the owner of a plain tree view frees it itself
    // (TreeView_GetImageList, ImageList_Destroy) when the tree goes.
    void setUpImageList(HWND tree, HWND window);
    // "Name", "Size" (key "size") and "Modified Date" (key "moddate") with the given widths.
    void setUpColumns(HWND tree, int nameWidth, int sizeWidth, int dateWidth);

    // "My Computer" with the listed drives of `driveList` (unless skipMyComputer), then "My
    // Files" with the user's shell folders.
    void PopulateLocalTreeView(HWND tree, const std::vector<std::wstring>& driveList, bool skipMyComputer,
                               bool removableToo = false);
    // Reads the node's folder into child nodes once; files are left out when foldersOnly. Under a
    // grey folder the children are grey too.
    void PopulateLocalFolder(HWND tree, HTREEITEM node, bool foldersOnly);
    // The records of one folder's entries, folders and files in the order the system lists them.
    std::vector<std::wstring> GetLocalFolderContents(const std::wstring& folder, bool foldersOnly = false);

    // The expand and collapse handling every window with a local tree shares: reads the children
    // (hourglass meanwhile), switches folder/openfolder, and lets new children of a checked node
    // follow it. Returns TRUE to stop an expand that cannot happen.
    LRESULT onItemExpanding(HWND tree, const NMTREEVIEWW& nm, bool foldersOnly);

    // Gives every ancestor of the node the node's check state.
    void RefreshColparentchecks(HWND tree, HTREEITEM node);
    // Gives every node below the node (as far as it has been read) the node's check state.
    void RefreshColChildChecks(HWND tree, HTREEITEM node);

    // Reads the "TimeStamp" setting once per run.
    void ChangeNewStdTime();
    const TimeZoneLabel& timeZone() const { return zone_; }

private:
    std::wstring nextNumber();
    uint64_t entryCount_ = 0;
    TimeZoneLabel zone_;
    bool zoneRead_ = false;
};

// The program-wide tree filler every window uses.
TreeViewControl& LocalTreeFiller();

// Node helpers for any tree view.
int NodeImage(HWND tree, HTREEITEM node);
void SetNodeImage(HWND tree, HTREEITEM node, int image);
int NodeCheckState(HWND tree, HTREEITEM node);
void SetNodeCheckState(HWND tree, HTREEITEM node, int state);
std::wstring NodeText(HWND tree, HTREEITEM node);
// The folder entry a node of the file tree stands for (a drive, a shell folder, a folder or a
// file); nullopt for "My Computer", "My Files" and nodes the file tree did not add.
std::optional<EntryRecord> NodeEntry(HWND tree, HTREEITEM node);
std::vector<HTREEITEM> ChildNodes(HWND tree, HTREEITEM node);
// The item whose check box a tree notification is about to flip: a click (or a quick second
// click, which comes as a double click) on a state icon, or the space bar on the selected item.
// The tree flips the box after the notification, so a window reads the new state later (posting
// itself a message); null for every other notification.
HTREEITEM CheckToggledItem(HWND tree, const NMHDR& header, LPARAM lp);

}  // namespace tess
