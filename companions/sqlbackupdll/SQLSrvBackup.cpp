// SQLSrvBackup.dll: GetDatabaseList, the in-process way to the database list that the program
// takes on Windows before Vista. Same demo backend and list format as vxsqldblist_tessaron.exe.
#include <windows.h>

#include <cstring>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Sql.h"

using namespace tess;
using namespace tess::companion;

namespace {

// The caller passes a buffer of at least this many chars for the reason (argument 4).
constexpr size_t kReasonCapacity = 1024;

std::wstring text(const char* s) { return s ? FromAnsi(s) : std::wstring(); }

void setReason(char* reason, const std::wstring& value) {
    if (!reason) return;
    std::string bytes = ToAnsi(value);
    size_t n = std::min(bytes.size(), kReasonCapacity - 1);
    std::memcpy(reason, bytes.data(), n);
    reason[n] = '\0';
}

}  // namespace

// Returns 1 and writes the list to programFolder + listFile, or returns 0 with the reason in
// `reason` (at most 1023 chars and a terminating zero). Windows authentication when the user or
// the password is empty. An injected crash returns 0 without a reason and without files (a
// real crash would take the caller with it); an injected hang blocks forever.
extern "C" __declspec(dllexport) int __stdcall GetDatabaseList(const char* server, const char* user, const char* password,
                                                                char* reason, const char* programFolder, const char* listFile,
                                                                const char* errorLogName, char* traceFileName) {
    const std::wstring folder = text(programFolder);
    ToolRun tool(L"SQLSrvBackup", ModuleFolderOf(reinterpret_cast<const void*>(&GetDatabaseList)),
                 {L"GetDatabaseList", text(server), text(user), text(password), text(reason), folder, text(listFile),
                  text(errorLogName), text(traceFileName)},
                 L"call");
    const std::wstring common = folder + L"\\VXCOMMON";
    CreateDirectoryW(common.c_str(), nullptr);
    const std::wstring errorLog = JoinPath(common, text(errorLogName));
    const std::wstring trace = JoinPath(common, text(traceFileName));

    auto fail = [&](const std::wstring& why) {
        tool.journal().record(L"error", why);
        setReason(reason, why);
        if (errorLogName && *errorLogName) AppendAnsiLine(errorLog, LogLine(2, why));
        tool.exit(0);
        return 0;
    };

    const std::wstring u = text(user), p = text(password);
    const bool windowsAuth = u.empty() || p.empty();
    if (traceFileName && *traceFileName)
        AppendAnsiLine(trace, LogLine(3, L"GetDatabaseList for server '" + text(server) + L"', " +
                                             (windowsAuth ? std::wstring(L"Windows authentication") : L"user '" + u + L"'")));
    FaultSet faults = tool.faultsWith({});
    if (faults.hang) {
        tool.journal().record(L"fault", L"hang");
        for (;;) Sleep(100);
    }
    if (faults.crash) {
        tool.journal().record(L"fault", L"crash");
        return tool.exit(0);
    }
    tool.playSlow(faults);
    if (folder.empty() || !listFile || !*listFile) return fail(L"Invalid call: the program folder and the list file must be given.");
    if (!tool.demoLoaded()) return fail(tool.demoError());
    if (faults.failure) return fail(*faults.failure);

    SqlTarget target = ConnectToDemo(tool, text(server), windowsAuth ? L"" : u, p);
    if (!target.instance) return fail(target.error);
    std::wstring error;
    auto list = DatabaseList(*target.instance, &error);
    if (!list) return fail(error);
    const std::wstring path = folder + text(listFile);
    if (!tool.writeText(path, ToAnsi(*list))) return fail(L"Cannot write " + path + L".");
    return tool.exit(1);
}
