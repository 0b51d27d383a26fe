// vxsqldblist_tessaron.exe: the database list of a local SQL Server instance.
// Given "<mode><server><<<user><<<password>" it writes VXCOMMON\SQLSrvdbList.txt (name line, size
// line in KB), or the reason in VXCOMMON\SQLError.txt, and then "2" in VXCOMMON\SQLDBStatus.txt.
#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Args.h"
#include "lib/Requests.h"
#include "lib/Sql.h"

using namespace tess;
using namespace tess::companion;

namespace {

int run(const ToolRun& tool, std::wstring_view arguments) {
    const std::wstring statusFile = tool.commonFile(L"SQLDBStatus.txt");
    const std::wstring errorFile = tool.commonFile(L"SQLError.txt");
    const std::wstring listFile = tool.commonFile(L"SQLSrvdbList.txt");

    auto finish = [&](int code, const std::wstring& error) {
        if (!error.empty()) {
            tool.journal().record(L"error", error);
            tool.writeText(errorFile, ToAnsi(error));
        }
        // "2" last: the program reads the other files as soon as it sees it.
        tool.writeText(statusFile, "2\r\n");
        return tool.exit(code);
    };

    const FaultSet faults = tool.faultsWith({});
    tool.playHangAndCrash(faults);
    DeleteFileIfExists(errorFile);
    // A status left at "2" by an earlier run would end the program's wait at once.
    tool.writeText(statusFile, "1\r\n");
    tool.playSlow(faults);

    auto request = ParseListRequest(arguments);
    if (!request.value) return finish(2, request.error);
    if (!tool.demoLoaded()) return finish(3, tool.demoError());
    if (faults.failure) return finish(1, *faults.failure);

    const ListRequest& r = *request.value;
    SqlTarget target = ConnectToDemo(tool, r.server, r.sqlAuthentication ? r.user : L"", r.password);
    if (!target.instance) return finish(1, target.error);

    std::wstring error;
    auto list = DatabaseList(*target.instance, &error);
    if (!list) return finish(1, error);
    if (!tool.writeText(listFile, ToAnsi(*list))) return finish(1, L"Cannot write " + listFile + L".");
    return finish(0, L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* line = GetCommandLineW();
    ToolRun tool(L"vxsqldblist_tessaron", ModuleFolderOf(reinterpret_cast<const void*>(&run)), {line});
    return run(tool, ArgumentText(line));
}
