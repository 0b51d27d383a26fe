#pragma once
// The program's own message box: the only way the program speaks to the user.
#include <windows.h>

#include <functional>
#include <string>

namespace tess {

enum MessageIcon { kIconInformation = 0, kIconQuestion = 1, kIconError = 2, kIconWarning = 3 };
enum MessageButtons { kButtonsOk = 0, kButtonsOkCancel = 1, kButtonsYesNo = 2, kButtonsOkCancelRetry = 3, kButtonsOkCancelIgnore = 4 };
enum MessageResult { kResultOk = 0, kResultCancel = 2, kResultClosed = 3, kResultRetry = 4, kResultIgnore = 5, kResultYes = 6, kResultNo = 7 };

// The process-wide program title: empty at start, "Tessaron" once the main window has loaded.
const std::wstring& ProgramTitle();
void SetProgramTitle(const std::wstring& title);

// Shows the message modally (owned by the active window of this thread) and returns the code of
// the button, key or close box that ended it.
int ShowMessage(const std::wstring& text, int icon, int buttons, const std::wstring& caption);
// The usual call: the text, information icon and OK unless told otherwise, the program title.
int ShowMessage(const std::wstring& text, int icon = kIconInformation, int buttons = kButtonsOk);

// Seam: while set, every message goes to the hook instead of a window; it returns the result code.
struct MessageCall {
    std::wstring text;
    int icon;
    int buttons;
    std::wstring caption;
};
using MessageHook = std::function<int(const MessageCall&)>;
void SetMessageHookForTesting(MessageHook hook);

}  // namespace tess
