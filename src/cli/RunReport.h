#pragma once
// The run report file of --report: the whole run as one JSON document (docs/run-report.schema.json)
// that a scheduled task or a management tool keeps and reads: each database or backup set with
// its dump, each file with its size, SHA-256, verification or the reason it failed, the seconds
// it took, and the totals.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "transfer/Outcome.h"

namespace tess::cli {

// Raised with each change of the report's layout that a reader must know of.
constexpr int kReportSchemaVersion = 1;

struct RunFacts {
    std::wstring command;      // "sql transfer", "exchange transfer"
    std::wstring server;       // the SQL Server instance, or the Exchange server
    std::wstring temporary, destination;
    bool verify = true;
    std::wstring startedAt;    // UTC, ISO 8601
    int exitCode = 0;
    std::wstring keyId, keyWrappedFor;  // an encrypted shipment's; empty: shipped in the clear
};

nlohmann::json ReportJson(const RunFacts& facts, const Outcome& outcome);

// The exit code of a run that got as far as the engine: 4 cancelled, 5 no room, 0 when every
// item's dump and every file arrived (verified, or copied when verification is off), else 1.
int ExitCodeOf(const Outcome& outcome, bool verify);

// Written whole under a temporary name, then renamed over `path`; false when it could not be.
bool WriteReportFile(const std::wstring& path, const nlohmann::json& report);

// Now, as the report's times are written.
std::wstring UtcNow();

}  // namespace tess::cli
