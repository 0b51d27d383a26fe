#include "ui/RunQuestion.h"

#include <windows.h>

#include "ui/MessageBox.h"
#include "ui/WindowSink.h"

namespace tess {
namespace {

const wchar_t kQuestionClass[] = L"TessaronRunQuestion";

void ask(const std::shared_ptr<Question>& question) {
    if (question->answered()) return;
    MessageCall call{question->text(), kIconWarning, kButtonsOkCancelRetry};
    call.endWhen = [question] { return question->answered(); };
    const MessageResult result = ShowMessage(call);
    // OK and Retry both say "look again"; the close box and Cancel stop the transfer.
    if (result == kResultOk || result == kResultRetry) question->reply(kResultRetry);
    else if (result != kResultClosed || !question->answered()) question->reply(kResultCancel);
}

LRESULT CALLBACK questionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_APP) return DefWindowProcW(hwnd, msg, wp, lp);
    std::unique_ptr<std::shared_ptr<Question>> question(reinterpret_cast<std::shared_ptr<Question>*>(lp));
    ask(*question);
    return 0;
}

HWND questionWindow() {
    thread_local HWND window = nullptr;
    if (window && IsWindow(window)) return window;
    window = CreateMessageWindow(kQuestionClass, questionProc);
    return window;
}

}  // namespace

void ShowRunQuestion(std::shared_ptr<Question> question) {
    auto* held = new std::shared_ptr<Question>(std::move(question));
    HWND window = questionWindow();
    if (window && PostMessageW(window, WM_APP, 0, reinterpret_cast<LPARAM>(held))) return;
    // Without the window the run still goes on: it looks at the drive by itself.
    (*held)->reply((*held)->safeAnswer());
    delete held;
}

}  // namespace tess
