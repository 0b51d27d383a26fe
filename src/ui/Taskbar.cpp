#include "ui/Taskbar.h"

#include <shobjidl.h>

#include <algorithm>

#include "transfer/SystemCalls.h"

namespace tess {
namespace {

constexpr ULONGLONG kSteps = 1000;

// The button belongs to the top window of the owner chain.
HWND buttonWindow(HWND window) {
    HWND root = window ? GetAncestor(window, GA_ROOTOWNER) : nullptr;
    return root ? root : window;
}

// One per thread: the windows' thread asks it, and COM is set up there by the program.
ITaskbarList3* taskbar() {
    static thread_local ITaskbarList3* list = [] {
        ITaskbarList3* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&made))))
            return static_cast<ITaskbarList3*>(nullptr);
        if (FAILED(made->HrInit())) {
            made->Release();
            return static_cast<ITaskbarList3*>(nullptr);
        }
        return made;
    }();
    return list;
}

const wchar_t* nameOf(TaskbarState state) {
    switch (state) {
        case TaskbarState::kNormal: return L"normal";
        case TaskbarState::kPaused: return L"paused";
        case TaskbarState::kError: return L"error";
        case TaskbarState::kNone: break;
    }
    return L"cleared";
}

}  // namespace

void SetTaskbarState(HWND window, TaskbarState state) {
    if (RecordSystemCall(std::wstring(L"taskbar ") + nameOf(state))) return;
    static const TBPFLAG kFlags[] = {TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_PAUSED, TBPF_ERROR};
    if (ITaskbarList3* list = taskbar()) list->SetProgressState(buttonWindow(window), kFlags[static_cast<int>(state)]);
}

// A cancel is the user's choice, not a failure.
static bool failedAnywhere(const Outcome& outcome) {
    if (outcome.end != RunEnd::kCompleted && outcome.end != RunEnd::kCancelled) return true;
    if (outcome.count(FileState::kFailed) > 0) return true;
    for (const auto& item : outcome.items)
        if (item.dump && *item.dump != StepStatus::kDone && *item.dump != StepStatus::kCancelled) return true;
    return false;
}

RunTaskbar::RunTaskbar(HWND window) : window_(window) {
    SetTaskbarState(window_, TaskbarState::kNormal);
    show(0);
}

RunTaskbar::~RunTaskbar() { SetTaskbarState(window_, TaskbarState::kNone); }

void RunTaskbar::follow(const Event& event) {
    if (event.kind == EventKind::kBytesDone && event.totalBytes) {
        shipping_ = true;
        shipped_ = std::max(shipped_, std::min(100.0, static_cast<double>(event.bytes) * 100.0 /
                                                          static_cast<double>(event.totalBytes)));
        show(shipped_);
    } else if (event.kind == EventKind::kDumpBytes && event.totalBytes && !shipping_) {
        show(event.percent);
    }
}

void RunTaskbar::show(double percent) {
    const int step = static_cast<int>(percent * kSteps / 100);
    if (step == shown_) return;  // the bytes events come far more often than the button can change
    shown_ = step;
    if (RecordSystemCall(L"taskbar " + std::to_wstring(step / 10) + L"%")) return;
    if (ITaskbarList3* list = taskbar()) list->SetProgressValue(buttonWindow(window_), static_cast<ULONGLONG>(step), kSteps);
}

void RunTaskbar::ended(const Outcome& outcome) {
    if (failedAnywhere(outcome)) SetTaskbarState(window_, TaskbarState::kError);
    HWND button = buttonWindow(window_);
    const HWND foreground = GetForegroundWindow();
    if (foreground && (foreground == window_ || buttonWindow(foreground) == button)) return;
    if (RecordSystemCall(L"flash")) return;
    FLASHWINFO flash{sizeof flash, button, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

}  // namespace tess
