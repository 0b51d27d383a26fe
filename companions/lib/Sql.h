#pragma once
// The SQL Server side of the demo backend, shared by the list tool, the list library and the
// backup tool: which instance a request reaches, whether its login is accepted, the list text.
#include <optional>
#include <string>

#include "lib/Tool.h"

namespace tess::companion {

struct SqlTarget {
    const DemoInstance* instance = nullptr;
    std::wstring error;  // why the request is refused, as SQL Server would word it
};

// Resolves the server name and checks the login (empty user: Windows authentication).
SqlTarget ConnectToDemo(const ToolRun& run, const std::wstring& server, const std::wstring& user, const std::wstring& password);

// The text of SQLSrvdbList.txt for an instance; a database whose source file is unreadable is
// an error (returned through `error`, the list is then not usable).
std::optional<std::wstring> DatabaseList(const DemoInstance& instance, std::wstring* error);

// One line in the log format the program uses ("Information : mm/dd/yyyy hh:mm:ss : text").
std::wstring LogLine(short level, const std::wstring& text);

}  // namespace tess::companion
