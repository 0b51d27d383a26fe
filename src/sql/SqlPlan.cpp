#include "sql/SqlPlan.h"

#include <windows.h>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "sql/SqlBackup.h"
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlSettings.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveHold.h"
#include "transfer/DriveSteps.h"
#include "transfer/Journal.h"
#include "ui/Shipping.h"

namespace tess::sql {
namespace {

// The program log's lines of one dump (what this step and the backup tool wrote), for the
// database's part of the run report.
std::wstring takeProgramLog() {
    const std::wstring programLog = CommonDataFile(L"VXWLogFile.txt");
    auto bytes = ReadFileBytes(programLog);
    if (!bytes || bytes->empty()) return {};
    DeleteFileIfExists(programLog, true);
    std::wstring text = FromAnsi(GatherLogText(*bytes));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

// The tool is handed the dump folder's short form; the report names the dump as the user knows it.
std::wstring longPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > buffer.size()) {
        buffer.resize(n);
        n = GetLongPathNameW(path.c_str(), buffer.data(), n);
    }
    if (n == 0 || n > buffer.size()) return path;
    buffer.resize(n);
    return buffer;
}

// One database's dump by the backup tool: one tool at a time (a tool still running from before
// is waited for first), bounded by SQLBackupWaitSeconds, and ended when the run is cancelled.
class SqlDumpStep : public DumpStep {
public:
    SqlDumpStep(std::wstring database, const PlanInput& input, std::shared_ptr<DumpRecords> records)
        : database_(std::move(database)), input_(input), records_(std::move(records)) {
        input_.databases.clear();
        input_.databaseBytes.clear();
    }

    DumpResult run(StepContext& step) override {
        BackupContext context;
        context.serverName = input_.serverName;
        context.temporaryPath = input_.temporary;
        context.cancel = &step.cancel;
        context.timeoutMs = step.timeoutMs == kNoTimeLimit ? 0 : step.timeoutMs;
        context.dumpWritten = step.dumpWritten;
        context.user = input_.user;
        context.password = input_.password;
        DumpResult result;
        if (WaitForBackupToolToEnd(context) == BackupOutcome::kCancelled) {
            result.status = StepStatus::kCancelled;
            return result;
        }
        std::wstring dumpPath;
        const BackupOutcome outcome = BackupToDisk(database_, context, &dumpPath);
        const std::wstring log = takeProgramLog();
        if (!log.empty() && step.reportText) step.reportText(log);
        if (outcome == BackupOutcome::kNotStarted) records_->notStarted.push_back(database_);
        else ++records_->started;
        switch (outcome) {
            case BackupOutcome::kDumped: {
                result.status = StepStatus::kDone;
                const std::wstring source = longPath(dumpPath);
                const std::wstring file = AfterLast(source, L"\\");
                result.files.push_back({source, JoinPath(input_.destination, file), FileSize(source).value_or(0)});
                return result;
            }
            case BackupOutcome::kTimedOut:
                records_->timeouts +=
                    BackupTimeoutText(database_, context.timeoutMs ? context.timeoutMs : BackupWaitLimitMs()) + L"\r\n";
                result.status = StepStatus::kTimedOut;
                return result;
            case BackupOutcome::kCancelled:
                result.status = StepStatus::kCancelled;
                return result;
            case BackupOutcome::kNotStarted:
                result.reason = L"the backup tool could not be started";
                break;
            case BackupOutcome::kFailed:
                result.reason = L"the backup tool wrote no dump";
                break;
        }
        result.status = StepStatus::kFailed;
        return result;
    }

private:
    std::wstring database_;
    PlanInput input_;
    std::shared_ptr<DumpRecords> records_;
};

bool samePlace(const std::wstring& a, const std::wstring& b) {
    return EqualsNoCase(WithoutTrailingBackslash(a), WithoutTrailingBackslash(b));
}

}  // namespace

int CheckRunFolders(const std::wstring& temporary, const std::wstring& destination) {
    if (temporary.empty() || destination.empty()) return 184;
    if (samePlace(temporary, destination)) return 572;
    return 0;
}

void PrepareRunFolders(const PlanInput& input) {
    TransferFileList().clear();
    Trf_WriteUserProfile(L"SQLTEMP" + ServerKeySuffix(input.serverName), input.temporary);
    if (!FolderExists(input.temporary)) Trf_CreateLocalDir(input.temporary);
    const std::wstring dumpFolder = DumpFolderFor(input.temporary);
    DeleteFileIfExists(CommonDataFile(L"VXWLogFile.txt"), true);
    if (PathExists(dumpFolder) && !DeleteFolderTree(dumpFolder))
        WriteTrace(L"Error in CmdNext of frmSQLDataList, Reason : the dump folder " + dumpFolder + L" could not be cleared");
    DeleteFileIfExists(RunReportPath(), true);
    EnsureCommonDataFolder();
}

Plan BuildRunPlan(const PlanInput& input, const std::shared_ptr<DumpRecords>& records) {
    Plan plan;
    // The room check before the first copy counts the sizes the list tool gave for the dumps
    // still to come.
    const auto& databases = input.databases;
    for (size_t k = 0; k < databases.size(); ++k)
        plan.items.push_back({databases[k], std::make_shared<SqlDumpStep>(databases[k], input, records), {},
                              k < input.databaseBytes.size() ? input.databaseBytes[k] : 0});
    const std::wstring destination = input.destination;
    plan.destination = destination;
    plan.manifestFolder = destination;
    plan.options.verify = ShippingVerificationOn();
    plan.options.keepDumps = KeepTemporaryDumpsOn();
    ReadDriveWaitSettings(plan.options);
    plan.journal = std::make_shared<Journal>(RunJournalPath(), L"SQL Server");
    plan.options.dumpTimeoutMs = BackupWaitLimitMs();
    plan.copier = std::make_shared<BlockFileCopier>();
    plan.verifier = std::make_shared<ReadBackVerifier>();
    plan.wording.started = [destination](const PlanItem& item, const PlanFile&) {
        return L"Started shipping database '" + item.name + L"' to " + destination;
    };
    plan.wording.completed = [destination](const PlanItem& item, const PlanFile&) {
        return L"Completed shipping database '" + item.name + L"' to " + destination;
    };
    plan.wording.failed = [destination](const PlanItem& item, const PlanFile&, const std::wstring& reason) {
        return L"Failed shipping database '" + item.name + L"' to " + destination + L": " + reason;
    };
    plan.checkRoom = [destination](uint64_t bytes) { return CheckDestinationRoom(destination, bytes); };
    plan.writeReport = [](const std::wstring& text) { AppendAnsiLine(RunReportPath(), text); };
    return plan;
}

}  // namespace tess::sql
