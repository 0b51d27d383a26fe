#pragma once
// The program's folder browse dialog (frmLocalFileBrowse) and the folder chooser of the SQL and
// Exchange windows (ChooseTransferFolder), which opens it, checks the folder the user picked and
// opens the dialog again while the folder is refused. Both are functions: the purpose goes in,
// the folder comes out, and the calling window puts it into its text box.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace tess {

// Why the dialog opens. A window keeps its purpose between browses: the dialog clears only the
// destination flag on unload, so a temporary-folder flag set once stays with the window.
struct BrowsePurpose {
    bool exchangeTemp = false;         // Exchange wizard, temporary folder
    bool sqlTemp = false;              // SQL database window, cmdTempfolder
    bool transferDestination = false;  // cmdDestination of both wizards
    bool any() const { return exchangeTemp || sqlTemp || transferDestination; }
};

// ---- Decisions, no windows ----

// The instruction line for the purpose flags (the first flag set in table order decides).
std::wstring InstructionLine(const BrowsePurpose& purpose);

// What "OK" does with the selected node.
struct OkDecision {
    int messageCode = 0;                      // 58 or 15 shown, dialog stays open; 0 = none
    bool close = false;                       // unload the dialog
    std::optional<std::wstring> selectedPath; // becomes the dialog's selected path when set
};
// `nodeImage` is the node's index in the tree image list, `nodePath` the path field of its key
// (nullopt when nothing is selected). `driveReady` is asked for the root of the chosen path.
OkDecision DecideCmdOk(const BrowsePurpose& purpose, std::optional<int> nodeImage, const std::wstring& nodePath,
                       const std::function<bool(const std::wstring& root)>& driveReady);

// The selected path as the dialog leaves it: the trailing separator comes off for the SQL
// temporary folder and the transfer destination (the Exchange temporary folder keeps it).
std::wstring PathOnUnload(const std::wstring& selected, const BrowsePurpose& purpose);
// The flags after unload: the destination flag is cleared, the temporary-folder flags stay.
BrowsePurpose FlagsOnUnload(BrowsePurpose purpose);

// The root of a path for drive questions: "C:\" for "C:\x" or "C:", "\\server\share\" for a UNC
// path; empty when the path names no drive.
std::wstring DriveRootOf(const std::wstring& path);

// What ChooseTransferFolder does with the folder the dialog left.
struct FolderChoice {
    enum Action { kIgnore, kReopen, kCheckAndAccept, kAccept, kGiveUp };
    Action action = kIgnore;
    int messageCode = 0;           // shown before reopening
    bool resetToSqlTemp = false;   // the text box gets program folder + "\SQLTEMP" first
    bool setDestinationFlag = false;
    std::wstring folder;           // kCheckAndAccept / kAccept: what goes into the text box
};
// Steps before the trial write: network paths, the temporary folder's drive type, drive roots.
// `driveType` is GetDriveTypeW of the chosen folder's root.
FolderChoice ScreenChosenFolder(const std::wstring& chosen, bool destination, UINT driveType);
// The trial write's file: folder + "\Dummy.txt" (no doubled separator).
std::wstring TrialWriteFile(const std::wstring& folder);
// The outcome of the trial write (0 = it worked) for `folder`: accept, or 182 / 183 and open the
// dialog again as a destination, or give up on any other failure.
FolderChoice JudgeTrialWrite(const std::wstring& folder, DWORD error);

// ---- Effects ----

// Creates and removes folder\Dummy.txt; 0 or the system error of the failing step. A Dummy.txt
// that is already there is the user's: it is only opened for writing, never replaced or deleted.
DWORD TrialWrite(const std::wstring& folder);

// Opens the browse dialog modally owned by `owner` and returns the selected path as the
// dialog's unload rules leave it; empty when the user closed it.
std::wstring ShowLocalFileBrowse(HWND owner, const BrowsePurpose& purpose);

struct FolderRequest {
    bool destination = false;  // txtDestination (true) or Tempfolder_txt
    BrowsePurpose purpose;     // the caller's flags; with none set, the one for this choice is set
};
struct ChosenFolder {
    // What goes into the text box: the accepted folder, or the default temporary folder (program
    // folder + "\SQLTEMP") put there when a network path was refused and no folder followed.
    std::optional<std::wstring> boxText;
    bool accepted = false;        // boxText is a folder the user picked that passed the checks
    std::vector<int> refusals;    // the message code of each refused folder, in order
    DWORD writeError = 0;         // the trial write failed for another reason: the chooser gave up
    BrowsePurpose purposeAfter;   // the flags as the last opening left them, for the next browse
};
// Opens the dialog (again as long as the folder is refused, showing why) and checks the folder.
ChosenFolder ChooseTransferFolder(HWND owner, const FolderRequest& request);

// Seam: while set, ShowLocalFileBrowse does not open a window; the script plays the user for one
// opening: it sees the purpose flags and returns the path of the node the user accepted with
// "OK" (nullopt for "Close"). The dialog's own unload rules then apply as for the window.
using BrowseScript = std::function<std::optional<std::wstring>(const BrowsePurpose& purpose)>;
void SetBrowseScriptForTesting(BrowseScript script);

// ---- The window ----

class frmLocalFileBrowse : public Window {
public:
    enum Id {
        kIdCapbar = 100,  // lblCapbar
        kIdTitle,         // lblTitle
        kIdTitleInfo,     // imgTitleinfo
        kIdClose,         // lblClose
        kIdInstruction,   // Label1
        kIdTree,          // ColumnLocalTreeView
        kIdOk,            // cmdOK
        kIdCancel,        // CmdCancel
        kIdDrives,        // Drive1 (hidden: the drive list the tree is filled from)
    };

    explicit frmLocalFileBrowse(const BrowsePurpose& purpose = {});

    // The folder "OK" accepted, as the unload rules leave it once the dialog is gone; empty
    // after "Close".
    const std::wstring& selectedPath() const { return selected_; }
    HWND tree() const { return tree_; }
    // Whether the tree shows check boxes (only when the dialog was opened without a purpose).
    bool checkBoxes() const { return checkBoxes_; }

    // "OK": refuses "My Computer", "My Files" and folders on drives that are not ready, else
    // keeps the selected path and closes.
    void CmdOk_Click();
    // "Close", the close box, Esc and Alt+C: an empty selected path.
    void CmdCancel_Click();

    // Expands the tree down to a folder ("C:\Data\Sub") and selects it; null when a part of
    // the path is not in the tree.
    HTREEITEM selectFolder(const std::wstring& path);
    // Selects the "My Computer" or "My Files" root.
    HTREEITEM selectRoot(bool myComputer);

protected:
    bool onCreate() override;
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void onCommand(int id, int code, HWND control) override;
    bool onKey(UINT vk, bool alt) override;
    void onClose() override;
    void paintBackground(HDC dc, const RECT& client) override;
    void onLayout() override;
    void onDestroy() override;

private:
    LRESULT onTreeNotify(const NMHDR& hdr, LPARAM lp);
    void onCheckClicked(HTREEITEM node);
    void fillDriveList();
    std::vector<std::wstring> driveList() const;

    BrowsePurpose purpose_;
    std::wstring selected_;
    HWND tree_ = nullptr;
    bool checkBoxes_ = false;
};

}  // namespace tess
