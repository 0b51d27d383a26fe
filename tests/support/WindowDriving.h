#pragma once
// Driving Tessaron's windows as a user would, from a test in the same process or from another
// process (the end-to-end tests, the demo driver): clicks, Alt keys, finding windows by their
// AutomationId, reading and setting a control's text.
//
// Finding a control inside a found window: tess::FindByAutomationId(window, name) (ui/Window.h)
// works across processes too. Reading a control of this process: tess::WindowText (ui/Window.h).
//
// Pure Win32 and the window framework, no GoogleTest: the demo driver links it too.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/Handle.h"

namespace tess::test {

// A program started as a user starts it: shown, in its own folder, `arguments` after its quoted
// name. Ended at the end of the scope when it still runs.
class StartedProgram {
public:
    explicit StartedProgram(const std::wstring& exe, const std::wstring& arguments = L"");
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    bool started() const { return static_cast<bool>(process_); }
    DWORD pid() const { return pid_; }
    bool ended() const { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
    DWORD exitCode() const;

private:
    UniqueHandle process_;
    DWORD pid_ = 0;
};

// A left click as a user makes it, press and release at a point inside the control (image
// buttons act on the release). Sent: the click has been handled when this returns.
void Click(HWND control);
// The same click posted: it is handled when the control's message loop runs. For a window of
// another process, or of a modal loop that starts after this call.
void PostClick(HWND control);

// Alt+key (an upper-case letter or a VK_ code) as the system delivers it: WM_SYSKEYDOWN with the
// context bit for Alt held. Sent straight to the window procedure.
void SendAltKey(HWND window, UINT vk);
// Posted, so that it passes the message loop's pre-translate step as a typed key does.
void PostAltKey(HWND window, UINT vk);
// Pumps this thread's pending messages as the program's loop does: keys pass the window
// framework's pre-translate step (Alt-letter tables) before the focused control sees them.
void PumpThroughPreTranslate();

// Ticks or unticks a tree view item as the space bar does (the tree flips the box, its window
// follows up). Sent: the tree has flipped it when this returns.
void ToggleTreeItem(HWND tree, HTREEITEM item);

// A visible top-level window of process `pid` whose AutomationId is `name`, or null.
HWND FindTopWindow(DWORD pid, const wchar_t* name);
// Polls FindTopWindow (pumping this thread's messages) until it finds one; null at the deadline.
HWND WaitForTopWindow(DWORD pid, const wchar_t* name, DWORD timeoutMs);

// The text of a window or control of any process. WM_GETTEXT, because GetWindowText does not ask
// another process's controls (an edit box of another process reads as its creation text).
// Empty when the window does not answer within five seconds.
std::wstring RemoteText(HWND hwnd);
// WM_SETTEXT to a window of any process (an edit box then also sends EN_CHANGE to its parent).
void SetRemoteText(HWND hwnd, const std::wstring& text);

// The program's message box (MesgBox) of any process: its text (the visible one of its two
// labels, without the line breaks that place a wrapped text) and its "No" or "OK" button (null
// when it shows neither).
std::wstring MessageBoxText(HWND box);
HWND NoOrOkButton(HWND box);

// The SharePoint tool's visible window, found by its title as the program finds it, or null; and
// whether it sits centred on the main window (to the pixel that halving rounds) and on top of
// every other window.
HWND SharePointToolWindow();
bool CentredOnTop(HWND main, HWND tool);

// What the demo drivers share: a line of what the driver sees on its output, the message box of
// process `pid` answered with No or OK (Yes to stopping a run: the driver pressed Esc; its text, printed as "message: <text>", once it is gone;
// empty when none is open), and the answers of a run started by the `transfer` button: 0 when it
// reached the question about the logs, 2 when it ended without it (the button enabled again and
// no message open), 1 when it did not end within half an hour.
void Say(const std::wstring& text);
std::wstring AnswerMessage(DWORD pid);
int AnswerUntilTheRunEnds(DWORD pid, HWND transfer);

}  // namespace tess::test
