// The database list through the real stand-in tool and library, in a program folder of its own.
#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "sql/DatabaseListRetrieval.h"
#include "sql/SqlState.h"
#include "sql/SqlToolFixture.h"

namespace tess::test {
namespace {

using sql::ListOutcome;
using sql::ListRequest;

class SqlRetrieval : public SqlToolFixture {};

ListRequest request(const wchar_t* user = L"", const wchar_t* password = L"") {
    ListRequest r;
    r.server = L"(local)";
    r.user = user;
    r.password = password;
    return r;
}

TEST_F(SqlRetrieval, ToolWritesTheListAndIsGivenTheArgumentOfTheMode) {
    listFile("master\r\n100\r\n");
    WriteBytes(common(L"SQLSrvdbList.txt"), "stale\r\n1\r\n");
    struct Case {
        const wchar_t *user, *password;
        const char* argument;
    } cases[] = {{L"", L"", " 2(local)<<<<"}, {L"sa", L"S3cret", " 1(local)<<sa<<S3cret"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        WriteBytes(JoinPath(programFolder(), L"journal.txt"), "");
        const auto result = sql::RetrieveDatabaseList(request(c.user, c.password));
        EXPECT_EQ(result.outcome, ListOutcome::kSuccess);
        EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), "master\r\n100\r\n");
        EXPECT_NE(journal().find(c.argument), std::string::npos) << journal();
    }
}

TEST_F(SqlRetrieval, FailureReasonComesFromTheFirstLineOfSQLError) {
    script("list=fail:Login failed for user 'sa'. ");
    WriteBytes(common(L"SQLSrvdbList.txt"), "stale\r\n1\r\n");  // never passes for this attempt's list
    const auto result = sql::RetrieveDatabaseList(request(L"sa", L"x"));
    EXPECT_EQ(result.outcome, ListOutcome::kFailed);
    EXPECT_EQ(result.mode, sql::AuthMode::kSqlServer);
    EXPECT_EQ(result.reason, L"Login failed for user 'sa'.");
    EXPECT_FALSE(FileExists(common(L"SQLSrvdbList.txt")));
}

TEST_F(SqlRetrieval, EmptyListIsAFailureButTempdbAloneIsNot) {
    struct Case {
        const char* list;
        ListOutcome outcome;
    } cases[] = {{"", ListOutcome::kFailed}, {" \r\n\r\n", ListOutcome::kFailed}, {"tempdb\r\n8\r\n", ListOutcome::kSuccess}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        listFile(c.list);
        EXPECT_EQ(sql::RetrieveDatabaseList(request()).outcome, c.outcome);
    }
}

TEST_F(SqlRetrieval, ToolThatEndsWithoutAStatusFailsWithoutWaitingForTheLimit) {
    script("list=crash");
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(sql::RetrieveDatabaseList(request()).outcome, ListOutcome::kToolFailed);
    EXPECT_LT(GetTickCount64() - start, 60000u);  // the default limit is ten minutes
}

TEST_F(SqlRetrieval, HangingToolIsEndedAtTheLimit) {
    script("list=hang");
    setLimitSeconds(sql::kListWaitKey, 2);
    EXPECT_EQ(sql::RetrieveDatabaseList(request()).outcome, ListOutcome::kTimedOut);
    EXPECT_FALSE(FindProcess(sql::kListToolName, false, 6));
}

TEST_F(SqlRetrieval, EscapeInTheOwnerCancelsTheWait) {
    script("list=hang");
    HWND owner = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    // The tool is started by then; Esc arrives while the program waits for it.
    SetTimer(owner, 1, 300, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
        KillTimer(hwnd, id);
        PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ListRequest r = request();
    r.owner = owner;
    EXPECT_EQ(sql::RetrieveDatabaseList(r).outcome, ListOutcome::kCancelled);
    EXPECT_FALSE(FindProcess(sql::kListToolName, false, 6));
    DestroyWindow(owner);
}

class OlderWindows : public SqlRetrieval {
protected:
    void SetUp() override {
        SqlRetrieval::SetUp();
        static const OsVersionOverride xp{5, 1, 2};
        SetOsVersionForTesting(&xp);
    }
    void TearDown() override {
        SetOsVersionForTesting(nullptr);
        SqlRetrieval::TearDown();
    }
};

TEST_F(OlderWindows, LibraryIsCalledWithTheEightArguments) {
    listFile("Sales\r\n64\r\n");
    struct Case {
        const wchar_t *user, *password;
        const char* journal;
    } cases[] = {
        {L"sa", L"", "GetDatabaseList|(local)||||\\VXCOMMON\\SQLSrvdbList.txt|VXWSchErrorLogFile.txt|SerTraceFile.txt\n"},
        {L"sa", L"pw", "GetDatabaseList|(local)|sa|pw||\\VXCOMMON\\SQLSrvdbList.txt|VXWSchErrorLogFile.txt|SerTraceFile.txt\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.journal);
        WriteBytes(JoinPath(programFolder(), L"journal.txt"), "");
        EXPECT_EQ(sql::RetrieveDatabaseList(request(c.user, c.password)).outcome, ListOutcome::kSuccess);
        EXPECT_EQ(journal(), c.journal);
        EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), "Sales\r\n64\r\n");
    }
}

TEST_F(OlderWindows, LibraryReasonIsReturned) {
    script("list=fail:Server not found");
    const auto result = sql::RetrieveDatabaseList(request());
    EXPECT_EQ(result.outcome, ListOutcome::kFailed);
    EXPECT_EQ(result.reason, L"Server not found");
}

TEST_F(OlderWindows, HangingLibraryEndsTheWaitAtTheLimit) {
    script("list=hang");
    ListRequest r = request();
    r.timeoutMs = 1500;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(sql::RetrieveDatabaseList(r).outcome, ListOutcome::kTimedOut);
    EXPECT_LT(GetTickCount64() - start, 10000u);
}

}  // namespace
}  // namespace tess::test
