#include "sql/DatabaseListRetrieval.h"

#include <memory>
#include <vector>

#include "common/Files.h"
#include "common/Log.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "sql/SqlSettings.h"
#include "ui/PumpWait.h"

namespace tess::sql {
namespace {

constexpr DWORD kSettleMs = 1000;        // after the start and after the status: the tool's files settle
constexpr DWORD kStatusPollMs = 100;
constexpr int kProcessCheckEveryPolls = 5;  // a crashed tool is noticed within half a second

using GetDatabaseListFn = LONG(WINAPI*)(const char* server, const char* user, const char* password, char* reason,
                                        const char* programFolder, const char* listFile, const char* errorLog,
                                        char* traceFile);

ListOutcome waitForStatus(const ListRequest& request, uint64_t limitMs) {
    const std::wstring statusFile = CommonDataFile(L"SQLDBStatus.txt");
    int polls = 0;
    bool toolGone = false;
    WaitOptions options;
    options.timeoutMs = limitMs;
    options.pollMs = kStatusPollMs;
    options.cancelWindow = request.owner;
    const WaitOutcome outcome = PumpWait(
        [&] {
            if (ReadFirstLine(statusFile) == L"2") return true;
            if (++polls % kProcessCheckEveryPolls == 0 && !FindProcess(kListToolName, false, 6)) {
                // Gone without "2": one last look, the status may have landed after the read.
                toolGone = ReadFirstLine(statusFile) != L"2";
                return true;
            }
            return false;
        },
        options);
    if (outcome == WaitOutcome::kDone) return toolGone ? ListOutcome::kToolFailed : ListOutcome::kSuccess;
    FindProcess(kListToolName, true, 6);  // a tool we stopped waiting for must not write a late list
    return outcome == WaitOutcome::kCancelled ? ListOutcome::kCancelled : ListOutcome::kTimedOut;
}

ListResult runTool(const ListRequest& request, AuthMode mode) {
    ListResult result;
    result.mode = mode;
    if (FindProcess(kListToolName, false, 6)) FindProcess(kListToolName, true, 6);

    const std::wstring argument = DbListToolArgument(mode, request.server, request.user, request.password);
    WriteTrace(L"SQL list Cmdline : " + MaskedDbListToolArgument(mode, request.server, request.user, request.password));
    const std::wstring program = JoinPath(ProgramFolder(), kListToolName);
    if (RunElevated(request.owner, program, argument, ProgramFolder()) != 0) {
        const DWORD error = GetLastError();
        TraceError(L"CmdSQLLogin_Click", L" Reason: the database-list tool could not be started: " + ErrorDescription(error));
        result.outcome = ListOutcome::kToolFailed;
        return result;
    }
    if (PumpPause(kSettleMs, request.owner) == WaitOutcome::kCancelled) {
        FindProcess(kListToolName, true, 6);
        result.outcome = ListOutcome::kCancelled;
        return result;
    }
    result.outcome = waitForStatus(request, request.timeoutMs ? request.timeoutMs : ListWaitLimitMs());
    if (result.outcome != ListOutcome::kSuccess) return result;
    PumpPause(kSettleMs, request.owner);

    if (!ListFileHasContent(CommonDataFile(L"SQLSrvdbList.txt"))) {
        result.outcome = ListOutcome::kFailed;
        const std::wstring errorFile = CommonDataFile(L"SQLError.txt");
        if (FileExists(errorFile)) result.reason = Trim(TrimAtLineEnd(ReadAnsiText(errorFile)));
    }
    return result;
}

// One library call with everything it touches, shared by the window thread and the thread that
// makes the call: a call that outlives its wait (a hung library) keeps its buffers and its module.
struct LibraryCall {
    GetDatabaseListFn fn = nullptr;
    HMODULE module = nullptr;
    std::string server, user, password, folder;
    std::vector<char> reason = std::vector<char>(kReasonCapacity, '\0');
    char traceName[32] = "SerTraceFile.txt";
    LONG result = 0;

    static DWORD WINAPI run(void* param) {
        auto* call = static_cast<std::shared_ptr<LibraryCall>*>(param);
        std::shared_ptr<LibraryCall> self = *call;
        delete call;
        self->result = self->fn(self->server.c_str(), self->user.c_str(), self->password.c_str(), self->reason.data(),
                                self->folder.c_str(), "\\VXCOMMON\\SQLSrvdbList.txt", "VXWSchErrorLogFile.txt",
                                self->traceName);
        return 0;
    }
    ~LibraryCall() {
        if (module) FreeLibrary(module);
    }
};

ListResult runLibrary(const ListRequest& request, AuthMode mode) {
    ListResult result;
    result.mode = mode;
    result.outcome = ListOutcome::kToolFailed;
    auto call = std::make_shared<LibraryCall>();
    call->module = LoadLibraryW(JoinPath(ProgramFolder(), L"SQLSrvBackup.dll").c_str());
    if (!call->module) {
        const DWORD error = GetLastError();
        TraceError(L"CmdSQLLogin_Click", L" Reason: SQLSrvBackup.dll could not be loaded: " + ErrorDescription(error));
        return result;
    }
    call->fn = reinterpret_cast<GetDatabaseListFn>(
        reinterpret_cast<void*>(GetProcAddress(call->module, "GetDatabaseList")));
    if (!call->fn)  // a 32-bit build without a .def file exports the decorated standard-call name
        call->fn = reinterpret_cast<GetDatabaseListFn>(
            reinterpret_cast<void*>(GetProcAddress(call->module, "_GetDatabaseList@32")));
    if (!call->fn) {
        TraceError(L"CmdSQLLogin_Click", L" Reason: SQLSrvBackup.dll has no GetDatabaseList");
        return result;
    }
    const bool windowsMode = mode == AuthMode::kWindows;
    call->server = ToAnsi(request.server);
    call->user = windowsMode ? std::string() : ToAnsi(request.user);
    call->password = windowsMode ? std::string() : ToAnsi(request.password);
    call->folder = ToAnsi(ProgramFolder());

    // The call is made on a thread of its own so that the window keeps painting and the wait has
    // its limit and Esc like every other wait for a companion.
    auto* param = new std::shared_ptr<LibraryCall>(call);
    UniqueHandle thread(CreateThread(nullptr, 0, &LibraryCall::run, param, 0, nullptr));
    if (!thread) {
        delete param;
        TraceError(L"CmdSQLLogin_Click", L" Reason: no thread for GetDatabaseList: " + ErrorDescription(GetLastError()));
        return result;
    }
    WaitOptions options;
    options.timeoutMs = request.timeoutMs ? request.timeoutMs : ListWaitLimitMs();
    options.cancelWindow = request.owner;
    const HANDLE wake[] = {thread.get()};
    options.wakeHandles = wake;
    options.wakeHandleCount = 1;
    const WaitOutcome outcome =
        PumpWait([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, options);
    if (outcome != WaitOutcome::kDone) {
        // The call cannot be stopped; it keeps its share of the state (and the library loaded)
        // until it returns, if ever.
        result.outcome = outcome == WaitOutcome::kCancelled ? ListOutcome::kCancelled : ListOutcome::kTimedOut;
        return result;
    }
    call->reason.back() = '\0';  // a library that filled the buffer to the brim still gives a string
    result.outcome = call->result ? ListOutcome::kSuccess : ListOutcome::kFailed;
    if (!call->result) result.reason = Trim(FromAnsi(call->reason.data()));
    return result;
}

}  // namespace

bool ListFileHasContent(const std::wstring& path) {
    // Line ends count as blank too: a list of empty lines names no database.
    auto bytes = ReadFileBytes(path);
    return bytes && bytes->find_first_not_of(std::string_view(" \t\r\n\0", 5)) != std::string::npos;
}

ListResult RetrieveDatabaseList(const ListRequest& request) {
    DeleteFileIfExists(CommonDataFile(L"SQLSrvdbList.txt"), true);
    EnsureCommonDataFolder();
    const AuthMode mode = ChooseAuthMode(request.user, request.password);
    ResetWaitCancel();
    return OSMajorVersion() >= 6 ? runTool(request, mode) : runLibrary(request, mode);
}

}  // namespace tess::sql
