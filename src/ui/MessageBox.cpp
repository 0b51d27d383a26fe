#include "ui/MessageBox.h"

#include "common/Log.h"
#include "ui/MessageBoxWindow.h"

namespace tess {
namespace {

std::wstring& programTitle() {
    static std::wstring title;
    return title;
}

MessageHook& messageHook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

const std::wstring& ProgramTitle() { return programTitle(); }
void SetProgramTitle(const std::wstring& title) { programTitle() = title; }

void SetMessageHookForTesting(MessageHook hook) { messageHook() = std::move(hook); }

int ShowMessage(const std::wstring& text, int icon, int buttons, const std::wstring& caption) {
    if (messageHook()) return messageHook()({text, icon, buttons, caption});
    try {
        // Owned by whatever window of this thread is active: the box then stays above it and
        // the user cannot work around it.
        HWND owner = GetActiveWindow();
        return RunMessageBox(owner, text, icon, buttons, caption);
    } catch (...) {
        TraceError(L"ShowMessage", L" showing the message box");
        return kResultOk;
    }
}

int ShowMessage(const std::wstring& text, int icon, int buttons) {
    return ShowMessage(text, icon, buttons, ProgramTitle());
}

}  // namespace tess
