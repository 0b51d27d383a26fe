#pragma once
// The program's own message box: the only way the program speaks to the user.
#include <windows.h>

#include <functional>
#include <string>

namespace tess {

// The icon kinds and button sets of the box, and the code that ended it. The numbers are the
// box's own (0 for "OK", not 1); a set outside the table places no buttons.
enum MessageIcon : int { kIconInformation = 0, kIconQuestion = 1, kIconError = 2, kIconWarning = 3 };
enum MessageButtons : int {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsYesNo = 2,
    kButtonsOkCancelRetry = 3,
    kButtonsOkCancelIgnore = 4,
};
enum MessageResult : int {
    kResultOk = 0,
    kResultCancel = 2,
    kResultClosed = 3,
    kResultRetry = 4,
    kResultIgnore = 5,
    kResultYes = 6,
    kResultNo = 7,
};

// The process-wide program title: empty at start, "Tessaron" once the main window has loaded.
const std::wstring& ProgramTitle();
void SetProgramTitle(const std::wstring& title);

// One message: the text, the icon and the buttons (information and OK unless told otherwise),
// and the window's own caption (the program title when empty).
struct MessageCall {
    std::wstring text;
    MessageIcon icon = kIconInformation;
    MessageButtons buttons = kButtonsOk;
    std::wstring caption{};
    // A question whose Yes cannot be undone (stopping a transfer): Enter answers No.
    bool noByDefault = false;
    // Looked at a few times a second while the box shows: once true the box goes by itself
    // (kResultClosed), as a question of a run does once the run no longer needs the answer.
    std::function<bool()> endWhen{};
};

// Shows the message modally (owned by the active window of this thread) and returns the code of
// the button, key or close box that ended it.
MessageResult ShowMessage(const MessageCall& call);

// A front end without windows (the console program, the window tests) presents every message
// itself: while a presenter is set, each message goes to it instead of a box (with the caption
// filled in), and what it returns is the answer. Empty: the box again.
using MessagePresenter = std::function<MessageResult(const MessageCall&)>;
void SetMessagePresenter(MessagePresenter presenter);

}  // namespace tess
