// exchange info and exchange transfer: the installed version and its helper's description of the
// server, then the Exchange run's plan on the console.
#include <windows.h>

#include <nlohmann/json.hpp>

#include "app/MainWindow.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Encrypt.h"
#include "cli/RunSteps.h"
#include "common/Files.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "exchange/ExchangeDetection.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeMessages.h"
#include "exchange/ExchangePlan.h"
#include "exchange/StorageTree.h"
#include "ui/RunView.h"

namespace tess::cli {
namespace {

using namespace tess::exchange;

// What the helper described: a storage-group tree (2000 to 2007) or a database list (2010, 2013).
struct Described {
    int exitCode = 0;
    int version = 0;
    bool listMode = false;
    std::wstring server;
    StorageInfo tree;
    std::vector<std::wstring> databases;
};

// The main window's entry check, then the wizard's information run.
Described describe() {
    Described d;
    GetExchangeVersionInfo();
    if (const int message = ExchangeVersionMessage(Trf_ReadUserProfile(L"ExchVersion"), Trf_ReadUserProfile(L"ExchSPNo"))) {
        SayMessage(message);
        d.exitCode = kExitNothingFound;
        return d;
    }
    clsExchange exchange;
    if (exchange.IsExchange() == 0) {
        d.exitCode = exchange.outcome() == HelperOutcome::kCancelled ? kExitCancelled : kExitNothingFound;
        if (exchange.outcome() != HelperOutcome::kCancelled) SayMessage(400);
        return d;
    }
    if (const HelperOutcome outcome = exchange.RunInformation(); outcome != HelperOutcome::kDone) {
        d.exitCode = outcome == HelperOutcome::kCancelled ? kExitCancelled : kExitNothingFound;
        return d;
    }
    d.version = CurrentExchVersion();
    const std::wstring path = TreeInfoPath();
    const ProfileReader read = [path](const std::wstring& section, const std::wstring& key) {
        return clsExchange::Trf_ReadExchangeProfile(section, key, path);
    };
    d.listMode = d.version == 2010 || d.version == 2013;
    if (d.listMode) {
        DatabaseListInfo info = ReadDatabaseListInfo(read);
        d.server = info.server;
        d.databases = std::move(info.databases);
    } else {
        d.tree = ReadStorageInfo(read);
        d.server = d.tree.server;
    }
    return d;
}

// The node keys or database names the options choose, as the wizard's ticks would give them.
std::optional<std::vector<std::wstring>> selection(const Described& d, const ExchangeTransferOptions& options) {
    std::vector<std::wstring> chosen;
    if (d.listMode) {
        if (!options.stores.empty()) {
            SayText(L"Exchange " + std::to_wstring(d.version) + L" lists databases: use --database.");
            return std::nullopt;
        }
        if (options.all) return d.databases;
        for (const auto& name : options.databases) {
            bool found = false;
            for (const auto& database : d.databases)
                if (EqualsNoCase(database, name)) found = true, chosen.push_back(database);
            if (!found) return SayText(L"The server has no database '" + name + L"'."), std::nullopt;
        }
        return chosen;
    }
    if (!options.databases.empty()) {
        SayText(L"Exchange " + std::to_wstring(d.version) + L" has storage groups: use --store GROUP\\STORE.");
        return std::nullopt;
    }
    StorageModel model = BuildStorageModel(d.tree);
    if (options.all) return Trf_TraverseTree(model);
    for (const auto& wanted : options.stores) {
        bool found = false;
        for (const auto& node : model.nodes) {
            if (node.kind != NodeKind::Store) continue;
            const std::wstring suffix = L"\\" + wanted;
            if (node.key.size() >= suffix.size() &&
                EqualsNoCase(node.key.substr(node.key.size() - suffix.size()), suffix))
                found = true, chosen.push_back(node.key);
        }
        if (!found) return SayText(L"The server has no store '" + wanted + L"'."), std::nullopt;
    }
    return chosen;
}

}  // namespace

int ExchangeInfo(bool json) {
    UniqueHandle instance;
    if (const int code = TakeInstance(instance)) return code;
    const Described d = describe();
    if (d.exitCode) return d.exitCode;
    if (json) {
        nlohmann::json out{{"version", d.version}, {"server", ToUTF8(d.server)}};
        if (d.listMode) {
            out["databases"] = nlohmann::json::array();
            for (const auto& database : d.databases) out["databases"].push_back(ToUTF8(database));
        } else {
            out["storageGroups"] = nlohmann::json::array();
            for (const auto& group : d.tree.groups) {
                nlohmann::json stores = nlohmann::json::array();
                for (const auto& store : group.stores) stores.push_back(ToUTF8(store));
                out["storageGroups"].push_back({{"name", ToUTF8(group.name)}, {"stores", stores}});
            }
        }
        Out(FromUTF8(out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
        return kExitShipped;
    }
    Out(L"Exchange " + std::to_wstring(d.version) + L" on " + d.server);
    for (const auto& database : d.databases) Out(L"  " + database);
    for (const auto& group : d.tree.groups)
        for (const auto& store : group.stores) Out(L"  " + group.name + L"\\" + store);
    return kExitShipped;
}

int ExchangeTransfer(const ExchangeTransferOptions& options) {
    const OpenedRun opened = OpenRun(options, FolderUse::kExchangeTemporary, CheckTransferFolders);
    if (opened.exitCode) return opened.exitCode;

    const Described d = describe();
    if (d.exitCode) return d.exitCode;
    const auto chosen = selection(d, options);
    if (!chosen) return kExitNothingFound;

    ExchangeRunArgs args;
    args.exchVersion = d.version;
    args.selection = *chosen;
    args.temporaryPath = WithTrailingBackslash(opened.temporary);
    args.destination = opened.destination;
    if (PrepareHelperBackup(args) != 0) return kExitNothingFound;

    int code = 0;
    const auto encryption = PrepareEncryption(options.encrypt, opened.destination, code);
    if (code) return code;
    ExchangeRunResult result;
    auto records = std::make_shared<SetRecords>();
    records->result = &result;
    RunFacts facts{L"exchange transfer", d.server, opened.temporary, opened.destination, true, UtcNow(), 0, {}, {}};
    Plan plan = BuildRunPlan(args, RunScope::kTransfer, records, encryption ? encryption->copier() : nullptr);
    if (encryption) ShipEncrypted(plan, *encryption, facts, options.json);
    const Outcome outcome = RunOnConsole(std::move(plan), options);
    if (records->listed && !options.keepDumps && !KeepTemporaryDumpsOn())
        RemoveEmptiedSetFolders(*records, args.temporaryPath);
    if (records->helperNotStarted) SayText(HelperNotStartedText(HelperFor(args.exchVersion).executable));
    const std::optional<StepStatus> dump = outcome.items.empty() ? std::nullopt : outcome.items[0].dump;
    if (dump == StepStatus::kTimedOut) SayText(BackupTimeoutText(HelperLimitMs(args)));
    SayRunStopped(outcome, RunCancelledText);
    for (const auto& error : records->helperErrors) SayText(error);
    SayFailedFiles(outcome, ShippingFailedText);
    return EndRun(facts, outcome, options, !records->helperErrors.empty());
}

}  // namespace tess::cli
