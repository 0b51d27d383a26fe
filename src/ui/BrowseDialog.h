#pragma once
// The program's folder browse dialog (frmLocalFileBrowse) and the folder chooser of the SQL and
// Exchange windows (ChooseTransferFolder), which opens it, checks the folder the user picked and
// puts it into the window's text box or opens the dialog again.
//
// A caller sets one browse purpose flag, opens the dialog modally and reads the selected path
// afterwards; an empty selected path means the user closed the dialog.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace tess {

// ---- Process-wide state the callers share ----

struct BrowsePurpose {
    bool exchangeTemp = false;         // Exchange wizard, temporary folder
    bool sqlTemp = false;              // SQL database window, cmdTempfolder
    bool transferDestination = false;  // cmdDestination of both wizards
    bool any() const { return exchangeTemp || sqlTemp || transferDestination; }
};
BrowsePurpose& BrowseFlags();
// What the dialog hands back; empty when the user closed it.
std::wstring& SelectedPath();

// ---- Decisions, no windows ----

// The instruction line for the purpose flags (the first flag set in table order decides).
std::wstring InstructionLine(const BrowsePurpose& purpose);

// What "OK" does with the selected node.
struct OkDecision {
    int messageCode = 0;                      // 58 or 15 shown, dialog stays open; 0 = none
    bool close = false;                       // unload the dialog
    std::optional<std::wstring> selectedPath; // stored as the selected path when set
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

// The dialog's unload rules applied to the shared state (selected path, flags).
void ApplyBrowseUnload();

// Whether the drive (a root as DriveRootOf gives it) can be read now: an empty card reader or
// optical drive cannot.
bool IsDriveReady(const std::wstring& root);
// Creates and removes folder\Dummy.txt; 0 or the system error of the failing step. A Dummy.txt
// that is already there is the user's: it is only opened for writing, never replaced or deleted.
DWORD TrialWrite(const std::wstring& folder);

// Opens the browse dialog modally owned by `owner` and leaves the result in SelectedPath().
void ShowLocalFileBrowse(HWND owner);

// Opens the dialog (again as long as the folder is refused), checks the folder and puts it into
// the owner's text box "txtDestination" (destination) or "Tempfolder_txt". Returns the folder
// put there, nothing when the user closed the dialog or the folder was refused for good. The
// selected path is cleared at the end. When no purpose flag is set on entry, the one for this
// choice is set, so the dialog always opens for a purpose.
std::optional<std::wstring> ChooseTransferFolder(bool destination, HWND owner);

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

    frmLocalFileBrowse();

    HWND tree() const { return tree_; }
    // Whether the tree shows check boxes (only when the dialog was opened without a purpose).
    bool checkBoxes() const { return checkBoxes_; }

    // "OK": refuses "My Computer", "My Files" and folders on drives that are not ready, else
    // stores the selected path and closes.
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

    HWND tree_ = nullptr;
    bool checkBoxes_ = false;
};

}  // namespace tess
