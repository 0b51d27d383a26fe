#pragma once
// The SharePoint Server transfer, run by the main window itself: the maker's SharePoint tool does
// all the work in a window of its own; the program starts it, keeps that window centred on top of
// the main window (minimised with it, restored with it, moved with it) and waits for the tool to
// end, with the hourglass over the main window meanwhile.
//
// The wait is not a loop: the main window stays fully usable (its other buttons open their
// wizards, it can be moved, minimised and closed). The run hooks itself into the main window's
// messages and polls the tool's process every 100 ms on a timer of the main window, which every
// message loop of the thread keeps serving, the modal ones of the wizards included.
#include <windows.h>

#include <cstdint>

namespace tess {

// The SharePoint action of the main window. Without SharePoint it says so (577) and touches
// nothing. While a run of this window follows the tool, a further press only brings the tool's
// window forward; a tool already running when the run starts (left by an earlier session of the
// program) is waited for instead of started a second time.
void RunSharePointTransfer(HWND mainWindow);

// Whether a run of this main window is following the tool.
bool SharePointTransferRunning(HWND mainWindow);

// How long a run waits for the tool before ending it: the setting "SharePointWaitSeconds" of
// vxwin.ini, a day when it is not set. Esc on the main window asks whether to stop (578, No by
// default) and on Yes ends the wait and the tool sooner.
uint64_t SharePointWaitLimitMs();

}  // namespace tess
