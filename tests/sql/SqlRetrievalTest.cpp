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

TEST_F(SqlRetrieval, EachWayTheToolEndsGivesItsOutcomeAndNeverAStaleList) {
    setLimitSeconds(sql::kListWaitKey, 2);
    struct Case {
        const char *script, *list;
        ListOutcome outcome;
        const wchar_t* reason;  // from the first line of SQLError.txt
    } cases[] = {
        {"list=fail:Login failed for user 'sa'. ", "", ListOutcome::kFailed, L"Login failed for user 'sa'."},
        {"list=crash", "", ListOutcome::kToolFailed, L""},
        {"list=hang", "", ListOutcome::kTimedOut, L""},
        {"", "", ListOutcome::kFailed, L""},
        {"", " \r\n\r\n", ListOutcome::kFailed, L""},
        {"", "tempdb\r\n8\r\n", ListOutcome::kSuccess, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.script) + c.list);
        script(c.script);
        listFile(c.list);
        WriteBytes(common(L"SQLSrvdbList.txt"), "stale\r\n1\r\n");
        // What the case before left; the real tool rewrites both files on every run.
        DeleteFileW(common(L"SQLError.txt").c_str());
        DeleteFileW(common(L"SQLDBStatus.txt").c_str());
        const auto result = sql::RetrieveDatabaseList(request(L"sa", L"x"));
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_NE(ReadBytes(common(L"SQLSrvdbList.txt")), "stale\r\n1\r\n");
        EXPECT_FALSE(FindProcess(sql::kListToolName, false, 6));
    }
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

TEST_F(OlderWindows, LibraryIsCalledWithTheEightArgumentsAndItsReasonOrHangIsReported) {
    listFile("Sales\r\n64\r\n");
    const char* const kFiles = "|\\VXCOMMON\\SQLSrvdbList.txt|VXWSchErrorLogFile.txt|SerTraceFile.txt\n";
    struct Case {
        const wchar_t *user, *password;
        const char *script, *arguments;
        ListOutcome outcome;
        const wchar_t* reason;
    } cases[] = {
        {L"sa", L"", "", "(local)|||", ListOutcome::kSuccess, L""},  // SQL authentication needs both
        {L"sa", L"pw", "", "(local)|sa|pw|", ListOutcome::kSuccess, L""},
        {L"", L"", "list=fail:Server not found", "(local)|||", ListOutcome::kFailed, L"Server not found"},
        {L"", L"", "list=hang", "(local)|||", ListOutcome::kTimedOut, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments + std::string(c.script));
        script(c.script);
        WriteBytes(JoinPath(programFolder(), L"journal.txt"), "");
        ListRequest r = request(c.user, c.password);
        r.timeoutMs = 1500;
        const auto result = sql::RetrieveDatabaseList(r);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reason, c.reason);
        if (c.outcome == ListOutcome::kSuccess) {
            EXPECT_EQ(journal(), std::string("GetDatabaseList|") + c.arguments + kFiles);
            EXPECT_EQ(ReadBytes(common(L"SQLSrvdbList.txt")), "Sales\r\n64\r\n");
        }
    }
}

}  // namespace
}  // namespace tess::test
