// ostrova_sqlbackup_tessaron.exe: the dump of one database.
// Writes <dump folder>\[name].dmp, or the reason in <common folder>\SQLErrorBackupFile.txt, and
// its own log, status and trace files (named on the command line) in the common folder.
#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Args.h"
#include "lib/Content.h"
#include "lib/Requests.h"
#include "lib/Sql.h"

using namespace tess;
using namespace tess::companion;

namespace {

struct Files {
    std::wstring error, log, status, trace;
};

Files filesOf(const ToolRun& tool, const SqlBackupRequest* r) {
    if (!r) return {tool.commonFile(L"SQLErrorBackupFile.txt"), tool.commonFile(L"SQLBackupLog.txt"), tool.commonFile(L"sqlserverstatus.txt"),
                    tool.commonFile(L"SQLBackupTraceFile.txt")};
    CreateFolderTree(r->commonFolder);
    return {JoinPath(r->commonFolder, r->errorFile), JoinPath(r->commonFolder, r->logFile), JoinPath(r->commonFolder, r->statusFile),
            JoinPath(r->commonFolder, r->traceFile)};
}

int run(const ToolRun& tool, std::wstring_view arguments) {
    auto request = ParseSqlBackupRequest(arguments);
    const SqlBackupRequest* r = request.value ? &*request.value : nullptr;
    const Files files = filesOf(tool, r);

    auto finish = [&](int code, const std::wstring& error) {
        if (!error.empty()) {
            tool.journal().record(L"error", error);
            tool.writeText(files.error, ToAnsi(error));
            AppendAnsiLine(files.log, LogLine(2, error));
        }
        tool.writeText(files.status, code == 0 ? "Completed\r\n" : "Failed\r\n");
        return tool.exit(code);
    };

    if (!r) return finish(2, request.error);
    // The trace keeps the request without its password.
    AppendAnsiLine(files.trace, LogLine(3, L"Request: " + MaskSecret(arguments, r->password)));
    if (!tool.demoLoaded()) return finish(3, tool.demoError());

    SqlTarget target = ConnectToDemo(tool, r->server, r->user, r->password);
    if (!target.instance) return finish(1, target.error);
    const DemoItem* db = FindDatabase(*target.instance, r->database);
    if (!db) return finish(1, L"Database '" + r->database + L"' does not exist on SQL Server '" + r->server + L"'.");

    const FaultSet faults = tool.faultsWith(db->faults);
    tool.playHangAndCrash(faults);
    tool.writeText(files.status, "Running\r\n");
    AppendAnsiLine(files.log, LogLine(0, L"Backup of database '" + db->name + L"' started."));
    tool.playSlow(faults);
    if (faults.failure) return finish(1, *faults.failure);

    if (!CreateFolderTree(r->dumpFolder))
        return finish(1, SystemErrorText(L"Cannot create the dump folder " + r->dumpFolder, GetLastError()));
    const std::wstring dump = JoinPath(r->dumpFolder, L"[" + r->database + L"].dmp");
    WriteOptions options;
    options.partialPercent = faults.partialPercent;
    options.paceSeconds = faults.paceSeconds;
    WriteResult written = WriteContent(db->content, dump, options);
    if (written.ok) tool.journal().wrote(dump, written.bytesWritten);
    if (!written.ok) return finish(1, L"Backup of database '" + db->name + L"' failed: " + written.error);
    if (faults.partialPercent)
        return finish(4, L"Backup of database '" + db->name + L"' stopped after " + std::to_wstring(written.bytesWritten) + L" bytes.");
    AppendAnsiLine(files.log, LogLine(1, L"Backup of database '" + db->name + L"' completed: " + std::to_wstring(written.bytesWritten) + L" bytes."));
    return finish(0, L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* line = GetCommandLineW();
    ToolRun tool(L"ostrova_sqlbackup_tessaron", ModuleFolderOf(reinterpret_cast<const void*>(&run)), {line});
    return run(tool, ArgumentText(line));
}
