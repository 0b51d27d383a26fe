#include "cli/Console.h"

#include <windows.h>

#include <atomic>
#include <mutex>

#include "common/MessageCatalog.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace tess::cli {
namespace {

std::mutex gOutput;
std::mutex gCancelLock;
std::function<void()> gCancel;
std::atomic<bool> gCancelRequested{false};
HANDLE gFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);

// Windows gives a close, logoff or shutdown event a few seconds before it ends the process.
constexpr DWORD kCloseGraceMs = 4500;

void write(DWORD which, const std::wstring& line) {
    std::lock_guard<std::mutex> lock(gOutput);
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    const std::wstring text = line + L"\r\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUTF8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

BOOL WINAPI onControl(DWORD event) {
    gCancelRequested = true;
    RequestWaitCancel();  // a wait for a companion tool outside the engine (the list, the helper's query)
    {
        std::lock_guard<std::mutex> lock(gCancelLock);
        if (gCancel) gCancel();
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(gFinished, kCloseGraceMs);
    return TRUE;
}

int catalogCodeOf(const std::wstring& text) {
    for (long code = 1; code <= 1011; ++code)
        if (GetMessageText(code) == text) return static_cast<int>(code);
    return 0;
}

}  // namespace

void Out(const std::wstring& line) { write(STD_OUTPUT_HANDLE, line); }
void Err(const std::wstring& line) { write(STD_ERROR_HANDLE, line); }

bool StdoutIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

int SayMessage(int code) {
    Err(L"Tessaron " + std::to_wstring(code) + L": " + GetMessageText(code));
    return code;
}

void SayText(const std::wstring& text) {
    for (const auto& line : SplitLines(text))
        if (!Trim(line).empty()) Err(L"Tessaron: " + line);
}

void RouteMessagesToConsole() {
    SetMessagePresenter([](const MessageCall& call) {
        if (const int code = catalogCodeOf(call.text)) SayMessage(code);
        else SayText(call.text);
        switch (call.buttons) {
            case kButtonsYesNo: return kResultNo;
            case kButtonsOk: return kResultOk;
            default: return kResultCancel;
        }
    });
}

void OnConsoleControl(std::function<void()> cancel) {
    {
        std::lock_guard<std::mutex> lock(gCancelLock);
        gCancel = std::move(cancel);
    }
    static bool installed = false;
    if (!installed) installed = SetConsoleCtrlHandler(onControl, TRUE) != FALSE;
}

bool CancelRequested() { return gCancelRequested; }

void Finished() {
    {
        std::lock_guard<std::mutex> lock(gCancelLock);
        gCancel = nullptr;
    }
    SetEvent(gFinished);
}

}  // namespace tess::cli
