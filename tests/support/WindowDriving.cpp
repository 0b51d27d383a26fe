#include "support/WindowDriving.h"

#include <cstdio>
#include <cstdlib>

#include "common/Text.h"
#include "ui/Window.h"

namespace tess::test {
namespace {

// A point inside every control: the smallest image button is larger than this.
const LPARAM kInside = MAKELPARAM(4, 4);
// WM_SYSKEYDOWN's lParam for a first press with Alt held: repeat count 1, context bit 29.
const LPARAM kAltDown = 0x20000001;

}  // namespace

StartedProgram::StartedProgram(const std::wstring& exe, const std::wstring& arguments) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return;
    UniqueHandle thread(pi.hThread);
    process_ = UniqueHandle(pi.hProcess);
    pid_ = pi.dwProcessId;
}

StartedProgram::~StartedProgram() {
    if (process_ && !ended()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD StartedProgram::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void Click(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    SendMessageW(control, WM_LBUTTONUP, 0, kInside);
}

void PostClick(HWND control) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    PostMessageW(control, WM_LBUTTONUP, 0, kInside);
}

void SendAltKey(HWND window, UINT vk) { SendMessageW(window, WM_SYSKEYDOWN, vk, kAltDown); }

void PostAltKey(HWND window, UINT vk) { PostMessageW(window, WM_SYSKEYDOWN, vk, kAltDown); }

void ToggleTreeItem(HWND tree, HTREEITEM item) {
    TreeView_SelectItem(tree, item);
    SetFocus(tree);
    SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(tree, WM_KEYUP, VK_SPACE, 0);
}

void PumpThroughPreTranslate() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND FindTopWindow(DWORD pid, const wchar_t* name) {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && GetAutomationId(w) == name) return w;
    }
    return nullptr;
}

HWND WaitForTopWindow(DWORD pid, const wchar_t* name, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND found = FindTopWindow(pid, name)) return found;
        if (GetTickCount64() >= deadline) return nullptr;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpThroughPreTranslate();
    }
}

std::wstring RemoteText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             5000, &copied))
        return {};
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

void SetRemoteText(HWND hwnd, const std::wstring& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
}

std::wstring MessageBoxText(HWND box) {
    HWND label = FindByAutomationId(box, L"lblText");
    if (!label || !IsWindowVisible(label)) label = FindByAutomationId(box, L"lblSmallText");
    std::wstring text = RemoteText(label);
    text.erase(0, text.find_first_not_of(L"\r\n "));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

static HWND buttonLabelled(HWND box, const wchar_t* label, const wchar_t* orLabel) {
    for (const wchar_t* name : {L"cmdButton0", L"cmdButton1", L"cmdButton2"}) {
        HWND b = FindByAutomationId(box, name);
        if (b && IsWindowVisible(b) && (RemoteText(b) == label || RemoteText(b) == orLabel)) return b;
    }
    return nullptr;
}

HWND NoOrOkButton(HWND box) { return buttonLabelled(box, L"No", L"OK"); }

HWND SharePointToolWindow() {
    HWND h = FindWindowW(nullptr, L"SharePoint Server");
    return h && IsWindowVisible(h) ? h : nullptr;
}

bool CentredOnTop(HWND main, HWND tool) {
    RECT m{}, t{};
    if (!GetWindowRect(main, &m) || !GetWindowRect(tool, &t)) return false;
    const long dx = (m.left + m.right) - (t.left + t.right), dy = (m.top + m.bottom) - (t.top + t.bottom);
    return labs(dx) <= 2 && labs(dy) <= 2 && (GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

void Say(const std::wstring& text) {
    std::printf("  %s\n", ToUTF8(text).c_str());
    std::fflush(stdout);
}

std::wstring AnswerMessage(DWORD pid) {
    HWND box = FindTopWindow(pid, L"MesgBox");
    if (!box) return L"";
    const std::wstring text = MessageBoxText(box);
    Say(L"message: " + text);
    // Whoever pressed Esc during a run meant it: the question it asks is answered Yes.
    const bool stop = text.rfind(L"The data transfer is still running", 0) == 0;
    PostClick(stop ? buttonLabelled(box, L"Yes", L"Yes") : NoOrOkButton(box));
    for (const ULONGLONG deadline = GetTickCount64() + 10000; IsWindowVisible(box) && GetTickCount64() < deadline;)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    return text;
}

int AnswerUntilTheRunEnds(DWORD pid, HWND transfer) {
    bool started = false;
    for (const ULONGLONG deadline = GetTickCount64() + 1800000; GetTickCount64() < deadline;) {
        const std::wstring text = AnswerMessage(pid);
        if (text.rfind(L"Do you want to view the logs", 0) == 0) return 0;
        if (!text.empty() || !IsWindowEnabled(transfer)) {
            started = true;
        } else if (started && !FindTopWindow(pid, L"MesgBox")) {
            Say(L"the run ended without the question about the logs");
            return 2;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    Say(L"the transfer did not end");
    return 1;
}

}  // namespace tess::test
