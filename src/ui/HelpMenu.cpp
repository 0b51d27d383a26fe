#include "ui/HelpMenu.h"

#include "ui/Tips.h"

namespace tess {
namespace {

std::function<HelpMenuItem(HWND)>& menuHook() {
    static std::function<HelpMenuItem(HWND)> hook;
    return hook;
}

HelpMenuItem trackMenu(HWND owner, bool canSendReport) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return HelpMenuItem::kNone;
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(HelpMenuItem::kHelpTopics), L"Help");
    AppendMenuW(menu, MF_STRING | (canSendReport ? 0 : MF_GRAYED), static_cast<UINT_PTR>(HelpMenuItem::kSendErrorReport),
                L"Send Error Report");
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner);  // without it the menu would not close when clicked away
    // The choice comes back as the result, not as a command to the owner: each caller runs it here.
    const UINT chosen = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                       at.x, at.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return static_cast<HelpMenuItem>(chosen);
}

}  // namespace

HelpMenuItem ShowHelpMenu(HWND owner, const HelpMenu& menu) {
    const HelpMenuItem chosen = menuHook() ? menuHook()(owner) : trackMenu(owner, static_cast<bool>(menu.sendErrorReport));
    if (chosen == HelpMenuItem::kHelpTopics) ShowHelpFile(owner, menu.topic);
    if (chosen == HelpMenuItem::kSendErrorReport && menu.sendErrorReport) menu.sendErrorReport(owner);
    return chosen;
}

void SetHelpMenuHookForTesting(std::function<HelpMenuItem(HWND)> hook) { menuHook() = std::move(hook); }

}  // namespace tess
