// sql list and sql transfer: the database list through the list tool, then the SQL Server run's
// plan on the console.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Encrypt.h"
#include "cli/RunSteps.h"
#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "sql/DatabaseListRetrieval.h"
#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlPlan.h"
#include "sql/SqlSettings.h"
#include "ui/RunView.h"

namespace tess::cli {
namespace {

using namespace tess::sql;

// The password from where the options say; none (with the reason said) when it is not there.
std::optional<std::wstring> password(const SqlLogin& login) {
    if (login.passwordEnv) {
        const DWORD n = GetEnvironmentVariableW(login.passwordEnv->c_str(), nullptr, 0);
        if (n == 0) {
            SayText(L"The environment variable " + *login.passwordEnv + L" holds no password.");
            return std::nullopt;
        }
        std::wstring value(n, L'\0');
        value.resize(GetEnvironmentVariableW(login.passwordEnv->c_str(), value.data(), n));
        return value;
    }
    std::string line;
    if (!std::getline(std::cin, line)) {
        SayText(L"No password arrived on standard input.");
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return FromUTF8(line);
}

struct Listed {
    int exitCode = 0;
    std::wstring server;
    std::vector<DatabaseRow> rows;
    std::optional<std::wstring> user, password;
};

// The list tool's run for the server, its failures said as the login window says them.
Listed listDatabases(const std::wstring& serverOption, const SqlLogin& login) {
    Listed listed;
    const std::wstring server = Trim(serverOption);
    if (const int code = LocalServerCheck(NormaliseServerName(server), LocalComputerName())) {
        listed.exitCode = kExitUsage;
        SayMessage(code);
        return listed;
    }
    ListRequest request;
    request.server = listed.server = NormaliseServerName(server);
    if (!login.user.empty()) {
        const auto secret = password(login);
        if (!secret) {
            listed.exitCode = kExitUsage;
            return listed;
        }
        request.user = Trim(login.user);
        request.password = Trim(*secret);
        listed.user = request.user;
        listed.password = request.password;
    }
    const ListResult result = RetrieveDatabaseList(request);
    switch (result.outcome) {
        case ListOutcome::kSuccess:
            listed.rows = ParseDatabaseList(ReadAnsiText(CommonDataFile(L"SQLSrvdbList.txt")));
            if (listed.rows.empty()) {
                SayText(L"The server " + listed.server + L" lists no database.");
                listed.exitCode = kExitNothingFound;
            }
            return listed;
        case ListOutcome::kCancelled:
            SayText(ListCancelledText());
            listed.exitCode = kExitCancelled;
            return listed;
        case ListOutcome::kTimedOut:
            SayText(ListTimeoutText(ListWaitLimitMs()));
            break;
        case ListOutcome::kToolFailed:
            SayText(ListToolFailedText());
            break;
        case ListOutcome::kFailed:
            SayText(result.reason.empty() ? L"The server " + listed.server + L" could not be reached." : result.reason);
            break;
    }
    listed.exitCode = kExitNothingFound;
    return listed;
}

uint64_t bytesOf(const DatabaseRow& row) { return row.sizeBytes.value_or(0); }

}  // namespace

int SqlList(const SqlListOptions& options) {
    UniqueHandle instance;
    if (const int code = TakeInstance(instance)) return code;
    const Listed listed = listDatabases(options.server, options.login);
    if (listed.exitCode) return listed.exitCode;
    if (options.json) {
        nlohmann::json databases = nlohmann::json::array();
        for (const auto& row : listed.rows) databases.push_back({{"name", ToUTF8(row.name)}, {"bytes", bytesOf(row)}});
        Out(FromUTF8(nlohmann::json{{"server", ToUTF8(listed.server)}, {"databases", databases}}.dump(
            -1, ' ', false, nlohmann::json::error_handler_t::replace)));
        return kExitShipped;
    }
    for (const auto& row : listed.rows) {
        wchar_t size[32];
        swprintf(size, 32, L"%12.2f MB  ", static_cast<double>(bytesOf(row)) / (1024.0 * 1024.0));
        Out(size + row.name);
    }
    return kExitShipped;
}

int SqlTransfer(const SqlTransferOptions& options) {
    const OpenedRun opened = OpenRun(options, FolderUse::kSqlTemporary, CheckRunFolders);
    if (opened.exitCode) return opened.exitCode;
    const std::wstring &temporary = opened.temporary, &destination = opened.destination;

    const Listed listed = listDatabases(options.server, options.login);
    if (listed.exitCode) return listed.exitCode;
    PlanInput input{listed.server, temporary, destination, {}, {}, listed.user, listed.password};
    for (const auto& row : listed.rows) {
        if (!options.all) continue;
        input.databases.push_back(row.name);
        input.databaseBytes.push_back(bytesOf(row));
    }
    for (const auto& name : options.databases) {
        const DatabaseRow* found = nullptr;
        for (const auto& row : listed.rows)
            if (EqualsNoCase(row.name, name)) found = &row;
        if (!found) {
            SayText(L"The server " + listed.server + L" has no database '" + name + L"'.");
            return kExitNothingFound;
        }
        input.databases.push_back(found->name);
        input.databaseBytes.push_back(bytesOf(*found));
    }
    if (input.databases.empty()) return SayMessage(568), kExitNothingFound;

    int code = 0;
    const auto encryption = PrepareEncryption(options.encrypt, destination, code);
    if (code) return code;
    RunFacts facts{L"sql transfer", listed.server, temporary, destination, true, UtcNow(), 0, {}, {}};
    PrepareRunFolders(input);
    auto records = std::make_shared<DumpRecords>();
    Plan plan = BuildRunPlan(input, records);
    if (encryption) {
        plan.copier = encryption->copier();
        ShipEncrypted(plan, *encryption, facts, options.json);
    }
    const Outcome outcome = RunOnConsole(std::move(plan), options);
    SayRunStopped(outcome, RunCancelledText);
    if (!records->notStarted.empty()) SayText(BackupNotStartedText(records->notStarted));
    if (!records->timeouts.empty()) SayText(records->timeouts);
    SayFailedFiles(outcome, ShippingFailedText);
    return EndRun(facts, outcome, options);
}

}  // namespace tess::cli
