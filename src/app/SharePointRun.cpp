#include "app/SharePointRun.h"

#include <commctrl.h>

#include <memory>

#include "app/SharePoint.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/Units.h"
#include "platform/Handle.h"
#include "sql/SqlMessages.h"
#include "ui/MessageBox.h"

namespace tess {
namespace {

constexpr int kSharePointNotInstalled = 577;
constexpr int kStopTransferQuestion = 578;
constexpr UINT_PTR kRunId = 0x5350;  // the subclass and the timer of the run on the main window
// The process handle is asked every turn (a cheap call); without a handle the process list,
// which is expensive to take, is read every fifth turn only.
constexpr UINT kPollMs = 100;
constexpr int kSearchEveryPolls = 5;
constexpr uint64_t kDefaultWaitSeconds = 86400;
const wchar_t kProcedure[] = L"RunSharePointTransfer";
const wchar_t kRunProperty[] = L"TessaronSharePointRun";

enum class Outcome { kEnded, kTimedOut, kCancelled, kProgramClosed };

// Where the tool's window goes: centred on the main window, its own size kept.
POINT centredOn(const RECT& main, const RECT& tool) {
    const long mainWidth = main.right - main.left, mainHeight = main.bottom - main.top;
    const long toolWidth = tool.right - tool.left, toolHeight = tool.bottom - tool.top;
    return {main.left + (mainWidth - toolWidth) / 2, main.top + (mainHeight - toolHeight) / 2};
}

class Run {
public:
    explicit Run(HWND main) : main_(main), hint_(static_cast<int>(OSPlatformId())) {}

    // Starts the tool (or adopts a running one) and hooks the run into the main window.
    bool begin();
    void bringForward();

    // MinGW's comctl32 import library lacks GetWindowSubclass: the run is found by a property.
    static Run* of(HWND main) { return static_cast<Run*>(GetPropW(main, kRunProperty)); }

private:
    static LRESULT CALLBACK hook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data);
    // Esc on the main window: asks whether to stop, and stops on Yes.
    static void askToStop(HWND main);
    void startTool();
    void tick();
    bool toolEnded();
    void follow();
    void findToolWindow();
    bool ofTheTool(HWND window) const;
    void showPointer(bool busy) const;
    // Ends the run and deletes it: the last thing a caller does with it.
    void finish(Outcome outcome);
    void endTool();

    HWND main_;
    int hint_;
    UniqueHandle process_;
    DWORD pid_ = 0;
    HWND tool_ = nullptr;
    uint64_t limitMs_ = 0;
    ULONGLONG deadline_ = 0;
    int polls_ = 0;
    bool asking_ = false;
};

bool Run::begin() {
    WriteTrace(std::wstring(L"Enter ") + kProcedure);
    limitMs_ = SharePointWaitLimitMs();
    deadline_ = GetTickCount64() + limitMs_;
    if (FindProcess(kSharePointToolName, false, hint_)) {
        // A tool that an earlier session started is still at work: its files are in use, so they
        // stay, and it is followed by name.
        WriteTrace(std::wstring(kSharePointToolName) + L" is already running: waiting for it");
    } else {
        startTool();
    }
    if (!SetWindowSubclass(main_, &Run::hook, kRunId, reinterpret_cast<DWORD_PTR>(this))) {
        TraceError(kProcedure, L" Reason: the main window cannot be followed");
        WriteTrace(std::wstring(L"Exit ") + kProcedure);
        return false;
    }
    SetPropW(main_, kRunProperty, this);
    SetTimer(main_, kRunId, kPollMs, nullptr);
    showPointer(true);
    findToolWindow();
    follow();
    return true;
}

void Run::startTool() {
    const std::wstring line = SharePointToolCommandLine(ProgramFolder());
    PrepareSharePointFiles();
    WriteTrace(L"SharePoint Cmdline : " + line);
    // A tool that cannot be started is noticed by the first poll, which finds no process.
    process_ = RunHiddenProcess(line, ProgramFolder(), SW_SHOWNORMAL);
    if (process_) pid_ = GetProcessId(process_.get());
}

void Run::bringForward() {
    findToolWindow();
    if (tool_) SetForegroundWindow(tool_);
    follow();
}

LRESULT CALLBACK Run::hook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* run = reinterpret_cast<Run*>(data);
    switch (msg) {
        case WM_TIMER:
            if (wp != kRunId) break;
            run->tick();
            return 0;
        case WM_SETCURSOR:
            // Over the main window itself; its buttons keep their own pointer.
            if (reinterpret_cast<HWND>(wp) != hwnd) break;
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        case WM_KEYDOWN:
            if (wp != VK_ESCAPE) break;
            askToStop(hwnd);  // `run` may be gone when it returns
            return 0;
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED:
            run->follow();  // at once, not at the next turn
            break;
        case WM_NCDESTROY:
            run->finish(Outcome::kProgramClosed);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void Run::askToStop(HWND main) {
    Run* run = of(main);
    if (!run || run->asking_) return;
    // One key must not throw a long transfer away. While the question is open the tool's window
    // stands behind the main window, or, on top of everything, it would hide the question.
    run->asking_ = true;
    if (run->tool_)
        SetWindowPos(run->tool_, main, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    MessageCall question{GetMessageText(kStopTransferQuestion), kIconQuestion, kButtonsYesNo};
    question.noByDefault = true;
    const bool stop = ShowMessage(question) == kResultYes;
    // The run went on meanwhile and may have ended: it is looked up again.
    run = of(main);
    if (!run) return;
    run->asking_ = false;
    if (stop) return run->finish(Outcome::kCancelled);
    run->follow();
}

void Run::tick() {
    if (toolEnded()) return finish(Outcome::kEnded);
    if (GetTickCount64() >= deadline_) return finish(Outcome::kTimedOut);
    follow();
}

bool Run::toolEnded() {
    if (process_) {
        if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return false;
        process_.reset();
        pid_ = 0;
        // The tool may have handed its work to another copy of itself: one search decides.
        return !FindProcess(kSharePointToolName, false, hint_);
    }
    if (++polls_ % kSearchEveryPolls != 0) return false;
    return !FindProcess(kSharePointToolName, false, hint_);
}

void Run::findToolWindow() {
    if (tool_ && IsWindow(tool_)) return;
    tool_ = nullptr;
    // Looked for on every turn until found: the tool may show its window well after it started.
    for (HWND h = FindWindowExW(nullptr, nullptr, nullptr, kSharePointToolTitle); h;
         h = FindWindowExW(nullptr, h, nullptr, kSharePointToolTitle)) {
        if (!IsWindowVisible(h) || !ofTheTool(h)) continue;
        tool_ = h;
        SetForegroundWindow(tool_);
        return;
    }
}

// A window of any copy of the tool: the one started here, or another that shows the window for
// it (the tool restarts itself elevated, or hands its work to a second copy); never one of this
// program's.
bool Run::ofTheTool(HWND window) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) return false;
    return (pid_ && pid == pid_) || IsProcessNamed(pid, kSharePointToolName);
}

void Run::follow() {
    findToolWindow();
    if (!tool_ || asking_) return;
    // Asynchronous calls only: a tool that stops answering must not stop the main window.
    if (IsIconic(main_)) {
        if (!IsIconic(tool_)) ShowWindowAsync(tool_, SW_SHOWMINNOACTIVE);
        return;
    }
    if (IsIconic(tool_)) ShowWindowAsync(tool_, SW_SHOWNOACTIVATE);
    RECT main{}, tool{};
    if (!GetWindowRect(main_, &main) || !GetWindowRect(tool_, &tool)) return;
    const POINT at = centredOn(main, tool);
    const bool topmost = (GetWindowLongW(tool_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (topmost && at.x == tool.left && at.y == tool.top) return;
    SetWindowPos(tool_, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

void Run::showPointer(bool busy) const {
    POINT at{};
    if (GetCursorPos(&at) && WindowFromPoint(at) == main_) SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Run::endTool() {
    if (process_) EndProcess(process_.get());
    // Copies found by name (adopted, or handed over to); bounded, as one that cannot be ended
    // (another user's) is found again and again.
    for (int i = 0; i < 3 && FindProcess(kSharePointToolName, true, hint_); ++i) {
    }
}

void Run::finish(Outcome outcome) {
    KillTimer(main_, kRunId);
    RemoveWindowSubclass(main_, &Run::hook, kRunId);
    RemovePropW(main_, kRunProperty);
    std::unique_ptr<Run> self(this);
    std::wstring message;
    if (outcome == Outcome::kTimedOut || outcome == Outcome::kCancelled) {
        // The tool ships by itself: a wait given up must not leave it writing to the drive.
        endTool();
        message = outcome == Outcome::kCancelled
                      ? L"The SharePoint Server data transfer was cancelled."
                      : L"The SharePoint Server data transfer did not finish within " +
                            DurationText(limitMs_) + L" and was stopped.";
        WriteLog(message, kLogError);
    } else if (outcome == Outcome::kProgramClosed) {
        // The tool reports to the user itself; closing the program does not end its work.
        WriteTrace(std::wstring(kSharePointToolName) + L" goes on after the program closed");
    }
    if (outcome != Outcome::kProgramClosed) showPointer(false);
    WriteTrace(std::wstring(L"Exit ") + kProcedure);
    if (!message.empty()) ShowMessage({message, kIconWarning});
}

}  // namespace

void RunSharePointTransfer(HWND mainWindow) {
    if (Run* run = Run::of(mainWindow)) {
        run->bringForward();
        return;
    }
    if (!IsSharePointInstalled()) {
        ShowMessage({GetMessageText(kSharePointNotInstalled)});
        return;
    }
    auto run = std::make_unique<Run>(mainWindow);
    if (run->begin()) run.release();  // it deletes itself when it finishes
}

bool SharePointTransferRunning(HWND mainWindow) { return Run::of(mainWindow) != nullptr; }

uint64_t SharePointWaitLimitMs() {
    const long long seconds = ParseLeadingInteger(Trf_ReadUserProfile(L"SharePointWaitSeconds"));
    return (seconds > 0 ? static_cast<uint64_t>(seconds) : kDefaultWaitSeconds) * 1000u;
}

}  // namespace tess
