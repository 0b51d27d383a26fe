// The database list through the stand-in tool and library, in a program folder of its own.
#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/Text.h"
#include "sql/DatabaseListRetrieval.h"
#include "sql/SqlState.h"
#include "sql/SqlToolFixture.h"

namespace tess::test {
namespace {

using sql::ListOutcome;

class SqlRetrieval : public SqlToolFixture {};

TEST_F(SqlRetrieval, EachWayTheToolEndsGivesItsOutcomeAndNeverAStaleList) {
    setLimitSeconds(sql::kListWaitKey, 2);
    struct Case {
        const char* demo;
        ListOutcome outcome;
        const wchar_t* reason;  // from SQLError.txt
    } cases[] = {
        {"[Faults]\r\nvxsqldblist_tessaron=fail:Login failed for user 'sa'.", ListOutcome::kFailed,
         L"Login failed for user 'sa'."},
        {"[Faults]\r\nvxsqldblist_tessaron=crash", ListOutcome::kToolFailed, L""},
        {"[Faults]\r\nvxsqldblist_tessaron=hang", ListOutcome::kTimedOut, L""},
        {"", ListOutcome::kFailed, L""},  // an instance without databases
        {"[Database:tempdb]\r\nSize=8 KB", ListOutcome::kSuccess, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.demo);
        demo(c.demo);
        WriteBytes(common(L"SQLSrvdbList.txt"), "stale\r\n1\r\n");
        // What the case before left: a crashing or hung tool never gets to rewrite them.
        DeleteFileW(common(L"SQLError.txt").c_str());
        DeleteFileW(common(L"SQLDBStatus.txt").c_str());
        const auto result = sql::RetrieveDatabaseList({L"(local)", L"sa", L"S3cret"});
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_NE(ReadBytes(common(L"SQLSrvdbList.txt")), "stale\r\n1\r\n");
        EXPECT_FALSE(FindProcess(sql::kListToolName, false, 6));
    }
}

TEST_F(SqlRetrieval, OnOlderWindowsTheLibraryIsCalledWithTheEightArgumentsAndItsReasonOrHangIsReported) {
    const std::string files = "\t\t" + ToUTF8(programFolder()) + "\t\\VXCOMMON\\SQLSrvdbList.txt\tVXWSchErrorLogFile.txt\tSerTraceFile.txt\r\n";
    struct Case {
        const wchar_t *user, *password;
        const char *faults, *arguments;
        ListOutcome outcome;
        const wchar_t* reason;
    } cases[] = {
        {L"sa", L"", "", "(local)\t\t", ListOutcome::kSuccess, L""},  // SQL authentication needs both
        {L"sa", L"S3cret", "", "(local)\tsa\tS3cret", ListOutcome::kSuccess, L""},
        {L"", L"", "fail:Server not found", "", ListOutcome::kFailed, L"Server not found"},
        {L"", L"", "hang", "", ListOutcome::kTimedOut, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments + std::string(c.faults));
        demo("[Database:Sales]\r\nSize=64 KB\r\n" + std::string(*c.faults ? "[Faults]\r\nSQLSrvBackup=" : "") + c.faults);
        DeleteFileW(JoinPath(programFolder(), L"demo\\journal.txt").c_str());
        static const OsVersionOverride xp{5, 1, 2};
        SetOsVersionForTesting(&xp);
        const auto result = sql::RetrieveDatabaseList({L"(local)", c.user, c.password, nullptr, 1500});
        SetOsVersionForTesting(nullptr);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reason, c.reason);
        if (c.outcome == ListOutcome::kSuccess) {
            EXPECT_NE(journal().find(std::string("\tcall\tGetDatabaseList\t") + c.arguments + files), std::string::npos) << journal();
            EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), "Sales\r\n64\r\n");
        }
    }
}

}  // namespace
}  // namespace tess::test
