#pragma once
// Control tips (a right click on an image button explains it) and the help topics.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// The tip of "<window name>.<control name>", looked up without regard to case; empty when the
// table has none.
std::wstring TipText(std::wstring_view key);

// A tip's text as lines of runs: "<br>" breaks a line, "<b>" ... "</b>" is bold. Leading and
// trailing empty lines are dropped (the tip draws its own margins).
struct TipRun {
    std::wstring text;
    bool bold;
};
using TipLine = std::vector<TipRun>;
std::vector<TipLine> ParseTipMarkup(std::wstring_view text);

// Button 2 (right) shows the text as a tip at the pointer over `window`; any other button hides
// the tip. At most one tip exists: a new one replaces the old.
void ShowOrHideTip(int mouseButton, const std::wstring& text, HWND window, int style = 0);
void HideTip();
// Hides the tip once the pointer has moved a few pixels away from where it was opened (a mouse
// move of a pixel or two right after the click must not close it).
void HideTipIfMoved();
// The tip window on screen, or null (tests).
HWND CurrentTipWindow();

// Opens a topic of the help file ("TessaronHelp.chm::/Tessaron.htm"); a file name without a
// folder is looked for in the program folder. Returns the help window, or null (the help
// system reports a missing file itself).
HWND ShowHelpFile(HWND window, const std::wstring& topicPath);
// Closes the help windows this program opened (at the program's end).
void CloseHelpWindows();
// Seam: while set, topics go to the hook instead of the help system.
void SetHelpHookForTesting(std::function<void(HWND, const std::wstring&)> hook);

}  // namespace tess
