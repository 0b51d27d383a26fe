// OstrovaSharepoint.exe: backs the demo server's SharePoint content up to the folder named in
// its job file, in a top-level window titled "SharePoint Server" with its own progress bar.
// Given "DisplayTessaron/<job file>". Ends when done (after a short pause to show the result)
// or when its window is closed (a close during the copy cancels it and leaves no partial file).
// TESSARON_SHAREPOINT_LINGER_MS sets that pause (default 2000), TESSARON_SHAREPOINT_SHOW_AFTER_MS
// delays the window's creation, TESSARON_SHAREPOINT_HAND_OVER=1 makes it hand the whole run to a
// second copy of itself and wait for that one, as a tool does that restarts itself elevated.
//
// Job file (VXSharpointBkupSet.ini, optional):   [Backup]
//                                                Destination=E:\SharePoint
// Without it the content goes to the demo's [SharePoint] Destination, else to the program
// folder's SharePointBackup folder, and the window says so.
// Results: VXSharepointstatus.txt in the program folder ("Completed", "Failed: ..." or
// "Cancelled"), "2" in VXCOMMON\VXShpstatus.txt, errors in VXCOMMON\SharePointError.txt.
#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Args.h"
#include "lib/Content.h"
#include "lib/Ini.h"
#include "lib/Outputs.h"
#include "lib/Requests.h"
#include "lib/Sql.h"
#include "platform/Handle.h"

using namespace tess;
using namespace tess::companion;

namespace {

constexpr wchar_t kTitle[] = L"SharePoint Server";
constexpr wchar_t kClass[] = L"TessaronOstrovaSharepoint";
constexpr wchar_t kHandOver[] = L"TESSARON_SHAREPOINT_HAND_OVER";
constexpr UINT kMsgProgress = WM_APP + 1;  // wParam: per mille done
constexpr UINT kMsgDone = WM_APP + 2;      // wParam: exit code
constexpr UINT_PTR kLingerTimer = 1;
constexpr int kIdStatus = 100, kIdProgress = 101, kIdClose = 102;

struct Job {
    std::wstring destination;
    std::wstring note;  // what the window says about where the content goes
};

Job jobFrom(const ToolRun& tool, const std::wstring& jobFile) {
    auto bytes = ReadFileBytes(jobFile);
    if (bytes) {
        IniDocument ini = ParseIni(FromAnsi(*bytes));
        const IniSection* backup = ini.find(L"Backup");
        if (backup && !backup->get(L"Destination").empty())
            return {backup->get(L"Destination"), L"Backing up SharePoint content to " + backup->get(L"Destination")};
    }
    // The server's own destination (the demo's) is what an unattended run uses.
    const std::wstring configured = tool.demo().sharePoint.destination;
    if (!configured.empty()) return {configured, L"Backing up SharePoint content to " + configured};
    const std::wstring folder = tool.programFolder() + L"\\SharePointBackup";
    return {folder, L"No destination in the job file " + jobFile + L": backing up to the default folder " + folder};
}

class BackupWindow {
public:
    BackupWindow(const ToolRun& tool, Parsed<SharePointRequest> request) : tool_(tool), request_(std::move(request)) {}

    int run(HINSTANCE instance, int show) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &BackupWindow::thunk;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
        // A tool that shows its window late (a slow start on a busy server): tests set this.
        if (UINT lateMs = envMs(L"TESSARON_SHAREPOINT_SHOW_AFTER_MS", 0)) Sleep(lateMs);
        HWND hwnd = CreateWindowExW(0, kClass, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 480, 190, nullptr, nullptr, instance, this);
        if (!hwnd) return tool_.exit(6);
        ShowWindow(hwnd, show == SW_HIDE ? SW_SHOWNORMAL : show);
        UpdateWindow(hwnd);
        start();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
        return tool_.exit(exitCode_);
    }

private:
    static LRESULT CALLBACK thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<BackupWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<BackupWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return self ? self->onMessage(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    }

    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CREATE: createControls(); return 0;
            case kMsgProgress: SendMessageW(progress_, PBM_SETPOS, wp, 0); return 0;
            case kMsgDone: onDone(static_cast<int>(wp)); return 0;
            case WM_TIMER: DestroyWindow(hwnd_); return 0;
            case WM_COMMAND:
                if (LOWORD(wp) == kIdClose) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
                return 0;
            case WM_CLOSE: onClose(); return 0;
            case WM_DESTROY: PostQuitMessage(0); return 0;
        }
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }

    void createControls() {
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        status_ = CreateWindowExW(0, L"STATIC", L"Preparing the SharePoint backup ...", WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 14, 440,
                                  48, hwnd_, reinterpret_cast<HMENU>(kIdStatus), nullptr, nullptr);
        progress_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 16, 70, 440, 20, hwnd_,
                                    reinterpret_cast<HMENU>(kIdProgress), nullptr, nullptr);
        SendMessageW(progress_, PBM_SETRANGE32, 0, 1000);
        HWND close = CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 366, 104, 90, 26, hwnd_,
                                     reinterpret_cast<HMENU>(kIdClose), nullptr, nullptr);
        for (HWND h : {status_, progress_, close}) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }

    void setStatus(const std::wstring& text) { SetWindowTextW(status_, text.c_str()); }

    void start() {
        if (!request_.value) return finishNow(2, request_.error);
        if (!tool_.demoLoaded()) return finishNow(3, tool_.demoError());
        job_ = jobFrom(tool_, request_.value->jobFile);
        setStatus(job_.note);
        faults_ = tool_.faultsWith({});
        tool_.playHangAndCrash(FaultSet{false, faults_.crash, 0, std::nullopt, std::nullopt});
        worker_.reset(CreateThread(nullptr, 0, &BackupWindow::work, this, 0, nullptr));
        if (!worker_) finishNow(6, SystemErrorText(L"Cannot start the backup", GetLastError()));
    }

    static DWORD WINAPI work(void* param) {
        auto* self = static_cast<BackupWindow*>(param);
        int code = self->backUp();
        PostMessageW(self->hwnd_, kMsgDone, static_cast<WPARAM>(code), 0);
        return 0;
    }

    // Worker thread: copies every content item; talks to the window only by posted messages.
    int backUp() {
        if (faults_.hang) {
            tool_.journal().record(L"fault", L"hang");
            for (;;) Sleep(100);
        }
        const ULONGLONG slowUntil = GetTickCount64() + faults_.slowSeconds * 1000ull;
        if (faults_.slowSeconds) tool_.journal().record(L"fault", L"slow " + std::to_wstring(faults_.slowSeconds) + L" s");
        while (GetTickCount64() < slowUntil && !cancel_) Sleep(50);
        if (cancel_) return 5;
        if (faults_.failure) return failWith(*faults_.failure);
        if (!CreateFolderTree(job_.destination))
            return failWith(SystemErrorText(L"Cannot create the destination folder " + job_.destination, GetLastError()));

        const auto& content = tool_.demo().sharePoint.content;
        uint64_t total = 0, before = 0;
        for (const auto& item : content) total += ContentSize(item.content).value_or(0);
        for (const auto& item : content) {
            const std::wstring path = job_.destination + L"\\" + FileNameOf(item.name) + L".bak";
            WriteOptions options;
            options.cancel = &cancel_;
            options.partialPercent = item.faults.partialPercent;
            options.progress = [&](uint64_t done, uint64_t) {
                if (total) PostMessageW(hwnd_, kMsgProgress, static_cast<WPARAM>((before + done) * 1000 / total), 0);
            };
            if (item.faults.failure) return failWith(L"Backup of '" + item.name + L"' failed: " + *item.faults.failure);
            WriteResult written = WriteContent(item.content, path, options);
            if (cancel_) return 5;
            if (!written.ok) return failWith(L"Backup of '" + item.name + L"' failed: " + written.error);
            tool_.journal().wrote(path, written.bytesWritten);
            if (item.faults.partialPercent)
                return failWith(L"Backup of '" + item.name + L"' stopped after " + std::to_wstring(written.bytesWritten) + L" bytes.");
            before += ContentSize(item.content).value_or(0);
        }
        PostMessageW(hwnd_, kMsgProgress, 1000, 0);
        return 0;
    }

    int failWith(const std::wstring& error) {
        error_ = error;
        return 1;
    }

    void finishNow(int code, const std::wstring& error) {
        error_ = error;
        PostMessageW(hwnd_, kMsgDone, static_cast<WPARAM>(code), 0);
    }

    void onDone(int code) {
        done_ = true;
        exitCode_ = code;
        std::wstring result = code == 0 ? L"Completed" : code == 5 ? L"Cancelled" : L"Failed: " + error_;
        if (!error_.empty()) {
            tool_.journal().record(L"error", error_);
            tool_.writeText(tool_.commonFile(L"SharePointError.txt"), ToAnsi(error_ + L"\r\n"));
        }
        tool_.writeText(tool_.programFolder() + L"\\VXSharepointstatus.txt", ToAnsi(result + L"\r\n"));
        tool_.writeText(tool_.commonFile(L"VXShpstatus.txt"), "2\r\n");
        if (cancel_) {
            DestroyWindow(hwnd_);
            return;
        }
        setStatus(code == 0 ? L"The SharePoint Server backup is complete.\r\n" + job_.destination
                            : L"The SharePoint Server backup failed.\r\n" + error_);
        SetDlgItemTextW(hwnd_, kIdClose, L"Close");
        // Long enough to read the result; a demo can set it to 0 for quick runs.
        SetTimer(hwnd_, kLingerTimer, envMs(L"TESSARON_SHAREPOINT_LINGER_MS", 2000), nullptr);
    }

    static UINT envMs(const wchar_t* name, UINT defaultMs) {
        wchar_t value[16];
        DWORD n = GetEnvironmentVariableW(name, value, 16);
        return n > 0 && n < 16 ? static_cast<UINT>(_wtoi(value)) : defaultMs;
    }

    void onClose() {
        if (done_ || !worker_) {
            DestroyWindow(hwnd_);
            return;
        }
        if (faults_.hang) return;  // a hung tool does not answer
        // The worker sees the flag between blocks, removes its temporary file and reports.
        cancel_ = true;
        setStatus(L"Cancelling ...");
    }

    const ToolRun& tool_;
    Parsed<SharePointRequest> request_;
    Job job_;
    FaultSet faults_;
    HWND hwnd_ = nullptr, status_ = nullptr, progress_ = nullptr;
    UniqueHandle worker_;
    std::atomic<bool> cancel_{false};
    bool done_ = false;
    int exitCode_ = 0;
    std::wstring error_;  // written by the worker before it posts kMsgDone
};

// Starts a second copy with the same command line (without the hand-over, so it does the work and
// shows the window) and ends with its exit code.
int handOverToSecondCopy(int show) {
    SetEnvironmentVariableW(kHandOver, nullptr);
    std::wstring line = GetCommandLineW();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 6;
    UniqueHandle thread(pi.hThread), process(pi.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 6;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    wchar_t handOver[4] = {};
    if (GetEnvironmentVariableW(kHandOver, handOver, 4) && handOver[0] == L'1') return handOverToSecondCopy(show);
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&icc);
    const wchar_t* line = GetCommandLineW();
    ToolRun tool(L"OstrovaSharepoint", ModuleFolderOf(reinterpret_cast<const void*>(&jobFrom)), {line});
    BackupWindow window(tool, ParseSharePointRequest(ArgumentText(line)));
    return window.run(instance, show);
}
