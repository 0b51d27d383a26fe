// The database list through the stand-in tool and library, in a program folder of its own.
#include <tuple>

#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/Text.h"
#include "sql/DatabaseListRetrieval.h"
#include "sql/SqlSettings.h"
#include "sql/SqlToolFixture.h"

namespace tess::test {
namespace {

using sql::ListOutcome;

class SqlRetrieval : public SqlToolFixture {};

// The program reads the list once the status says 2: the status is the last file the tool writes,
// and a tool that crashes or hangs never writes one.
TEST_F(SqlRetrieval, EachWayTheToolEndsGivesItsOutcomeAndNeverAStaleList) {
    setLimitSeconds(sql::kListWaitKey, 2);
    // demo description; outcome, reason (from SQLError.txt), the list written when there is one
    const std::tuple<const char*, ListOutcome, const wchar_t*, const char*> cases[] = {
        {"[Faults]\r\nvxsqldblist_tessaron=fail:Login failed for user 'sa'.", ListOutcome::kFailed,
         L"Login failed for user 'sa'.", nullptr},
        {"[Faults]\r\nvxsqldblist_tessaron=crash", ListOutcome::kToolFailed, L"", nullptr},
        {"[Faults]\r\nvxsqldblist_tessaron=hang", ListOutcome::kTimedOut, L"", nullptr},
        {"", ListOutcome::kFailed, L"", nullptr},  // an instance without databases
        // Sizes in kilobytes rounded up, names in the ANSI code page.
        {"[Database:fr]\r\nName=Ventes \xC3\xA9t\xC3\xA9\r\nSize=1500000", ListOutcome::kSuccess, L"",
         "Ventes \xE9t\xE9\r\n1465\r\n"},
    };
    for (const auto& [description, outcome, reason, list] : cases) {
        SCOPED_TRACE(description);
        demo(description);
        WriteBytes(common(L"SQLSrvdbList.txt"), "stale\r\n1\r\n");
        // What the case before left: a crashing or hung tool never gets to rewrite them.
        DeleteFileW(common(L"SQLError.txt").c_str());
        DeleteFileW(common(L"SQLDBStatus.txt").c_str());
        const auto result = sql::RetrieveDatabaseList({L"(local)", L"sa", L"S3cret"});
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.reason, reason);
        EXPECT_NE(ReadBytes(common(L"SQLSrvdbList.txt")), "stale\r\n1\r\n");
        EXPECT_FALSE(FindProcess(sql::kListToolName, false, 6));
        if (!list) continue;
        EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), list);
        const std::string j = journal();
        ASSERT_NE(j.rfind("\twrote\t"), std::string::npos) << j;
        EXPECT_EQ(j.rfind("\twrote\t" + ToUTF8(common(L"SQLDBStatus.txt"))), j.rfind("\twrote\t")) << j;
    }
}

TEST_F(SqlRetrieval, OnOlderWindowsTheLibraryIsCalledWithTheEightArgumentsAndItsReasonOrHangIsReported) {
    const std::string files = "\t\t" + ToUTF8(programFolder()) + "\t\\VXCOMMON\\SQLSrvdbList.txt\tVXWSchErrorLogFile.txt\tSerTraceFile.txt\r\n";
    // user, password, the library's fault; the arguments it gets, outcome, reason
    const std::tuple<const wchar_t*, const wchar_t*, const char*, const char*, ListOutcome, const wchar_t*> cases[] = {
        {L"sa", L"S3cret", "", "(local)\tsa\tS3cret", ListOutcome::kSuccess, L""},
        {L"", L"", "fail:Server not found", "", ListOutcome::kFailed, L"Server not found"},
        {L"", L"", "hang", "", ListOutcome::kTimedOut, L""},
    };
    for (const auto& [user, password, faults, arguments, outcome, reason] : cases) {
        SCOPED_TRACE(faults);
        demo("[Database:Sales]\r\nSize=64 KB\r\n" + std::string(*faults ? "[Faults]\r\nSQLSrvBackup=" : "") + faults);
        DeleteFileW(JoinPath(programFolder(), L"demo\\journal.txt").c_str());
        static const OsVersionOverride xp{5, 1, 2};
        SetOsVersionForTesting(&xp);
        const auto result = sql::RetrieveDatabaseList({L"(local)", user, password, nullptr, 1500});
        SetOsVersionForTesting(nullptr);
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.reason, reason);
        if (outcome == ListOutcome::kSuccess) {
            EXPECT_NE(journal().find(std::string("\tcall\tGetDatabaseList\t") + arguments + files), std::string::npos) << journal();
            EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), "Sales\r\n64\r\n");
        }
    }
    const std::string trace = ReadBytes(common(L"SerTraceFile.txt"));
    EXPECT_NE(trace.find("user 'sa'"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("S3cret"), std::string::npos);
}

}  // namespace
}  // namespace tess::test
