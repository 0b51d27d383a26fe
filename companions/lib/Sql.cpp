#include "lib/Sql.h"

#include <windows.h>

#include "common/Log.h"
#include "lib/Content.h"
#include "lib/Outputs.h"

namespace tess::companion {

SqlTarget ConnectToDemo(const ToolRun& run, const std::wstring& server, const std::wstring& user, const std::wstring& password) {
    SqlTarget target;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(computer, &size);
    auto name = InstanceNameOf(server, {run.demo().computerName, computer});
    if (!name) {
        target.error = L"SQL Server '" + server + L"' does not exist or access denied: only instances on this computer can be reached.";
        return target;
    }
    const DemoInstance* instance = run.demo().instance(*name);
    if (!instance) {
        target.error = L"SQL Server instance '" + *name + L"' was not found on this computer (server '" + server + L"').";
        return target;
    }
    if (auto refusal = CheckLogin(*instance, user, password)) {
        target.error = *refusal;
        return target;
    }
    target.instance = instance;
    return target;
}

std::optional<std::wstring> DatabaseList(const DemoInstance& instance, std::wstring* error) {
    std::vector<std::pair<std::wstring, uint64_t>> rows;
    for (const auto& db : instance.databases) {
        auto bytes = ContentSize(db.content, error);
        if (!bytes) return std::nullopt;
        rows.emplace_back(db.name, *bytes);
    }
    return DatabaseListText(rows);
}

std::wstring LogLine(short level, const std::wstring& text) { return FormatLogLine(level, text, CurrentTimeStamp()); }

}  // namespace tess::companion
