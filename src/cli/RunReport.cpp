#include "cli/RunReport.h"

#include <windows.h>

#include <cstdio>

#include "TessaronVersion.h"
#include "cli/ConsoleSink.h"
#include "common/Files.h"
#include "common/Text.h"

namespace tess::cli {
namespace {

std::string utf8(const std::wstring& text) { return ToUTF8(text); }

const char* stateName(FileState state) {
    switch (state) {
        case FileState::kNotShipped: return "notShipped";
        case FileState::kShipped: return "shipped";
        case FileState::kVerified: return "verified";
        case FileState::kFailed: return "failed";
    }
    return "failed";
}

const char* endName(RunEnd end) {
    switch (end) {
        case RunEnd::kCompleted: return "completed";
        case RunEnd::kCancelled: return "cancelled";
        case RunEnd::kNoRoom: return "noRoom";
        case RunEnd::kUnreachable: return "unreachable";
        case RunEnd::kFailed: return "failed";
    }
    return "failed";
}

bool arrived(const FileOutcome& file, bool verify) {
    return file.state == FileState::kVerified || (!verify && file.state == FileState::kShipped);
}

}  // namespace

nlohmann::json ReportJson(const RunFacts& facts, const Outcome& outcome) {
    nlohmann::json items = nlohmann::json::array();
    int files = 0, verified = 0, shipped = 0, failed = 0, notShipped = 0;
    for (const auto& item : outcome.items) {
        nlohmann::json entry{{"name", utf8(item.name)}, {"files", nlohmann::json::array()}};
        if (item.dump) {
            entry["dump"] = {{"status", StatusName(*item.dump)}, {"seconds", item.dumpSeconds}};
            if (!item.dumpReason.empty()) entry["dump"]["reason"] = utf8(item.dumpReason);
        }
        for (const auto& file : item.files) {
            nlohmann::json f{{"source", utf8(file.file.source)}, {"target", utf8(file.file.target)},
                             {"bytes", file.bytes ? file.bytes : file.file.bytes}, {"state", stateName(file.state)},
                             {"verified", file.state == FileState::kVerified}, {"seconds", file.seconds}};
            if (!file.sha256.empty()) f["sha256"] = file.sha256;
            if (!file.reason.empty()) f["reason"] = utf8(file.reason);
            entry["files"].push_back(std::move(f));
            ++files;
            verified += file.state == FileState::kVerified;
            shipped += file.state == FileState::kShipped;
            failed += file.state == FileState::kFailed;
            notShipped += file.state == FileState::kNotShipped;
        }
        items.push_back(std::move(entry));
    }
    nlohmann::json report{
        {"schemaVersion", kReportSchemaVersion},
        {"program", "TessaronCmd"},
        {"version", TESS_VERSION_TEXT},
        {"command", utf8(facts.command)},
        {"server", utf8(facts.server)},
        {"temporaryFolder", utf8(facts.temporary)},
        {"destination", utf8(facts.destination)},
        {"verify", facts.verify},
        {"startedAt", utf8(facts.startedAt)},
        {"end", endName(outcome.end)},
        {"exitCode", facts.exitCode},
        {"encryption", facts.keyId.empty() ? nlohmann::json(nullptr)
                                           : nlohmann::json{{"keyId", utf8(facts.keyId)}, {"wrappedFor", utf8(facts.keyWrappedFor)}}},
        {"items", std::move(items)},
        {"totals",
         {{"items", outcome.items.size()},
          {"files", files},
          {"verified", verified},
          {"shipped", shipped},
          {"failed", failed},
          {"notShipped", notShipped},
          {"bytes", outcome.shippedBytes},
          {"seconds", outcome.seconds}}},
    };
    report["manifest"] = outcome.manifest.empty() ? nlohmann::json() : nlohmann::json(utf8(outcome.manifest));
    return report;
}

int ExitCodeOf(const Outcome& outcome, bool verify) {
    if (outcome.end == RunEnd::kCancelled) return 4;
    if (outcome.end == RunEnd::kNoRoom) return 5;
    if (outcome.end != RunEnd::kCompleted) return 1;
    for (const auto& item : outcome.items) {
        if (item.dump && *item.dump != StepStatus::kDone) return 1;
        for (const auto& file : item.files)
            if (!arrived(file, verify)) return 1;
    }
    return 0;
}

bool WriteReportFile(const std::wstring& path, const nlohmann::json& report) {
    return ReplaceFileContents(path, report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

std::wstring UtcNow() {
    SYSTEMTIME t;
    GetSystemTime(&t);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

}  // namespace tess::cli
