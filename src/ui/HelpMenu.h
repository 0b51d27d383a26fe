#pragma once
// mnuHelp, the help menu that the main window's help image and the Exchange wizard's Help label
// pop up at the pointer: "Help" (mnuHelpTopics) opens a help topic, "Send Error Report"
// (mnuSendErrorReport) the feedback window. The feedback window sits above this layer, so its
// opener comes in with the menu, from the main window that wires the program together.
#include <windows.h>

#include <functional>
#include <string>

namespace tess {

struct HelpMenu {
    std::wstring topic;                               // "TessaronHelp.chm::/..."
    std::function<void(HWND owner)> sendErrorReport;  // opens the feedback window over owner; greyed without it
};

enum class HelpMenuItem { kNone, kHelpTopics, kSendErrorReport };

// Pops the menu up at the pointer, owned by `owner`, and runs the item chosen; returns it.
HelpMenuItem ShowHelpMenu(HWND owner, const HelpMenu& menu);

// Seam: while set, the hook chooses the item instead of the user.
void SetHelpMenuHookForTesting(std::function<HelpMenuItem(HWND owner)> hook);

}  // namespace tess
