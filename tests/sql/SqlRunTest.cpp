// The transfer run behind "Transfer data", with the stand-in backup tool and a real destination
// folder, driven through a recording view.
#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "sql/SqlLogic.h"
#include "sql/SqlSettings.h"
#include "sql/SqlToolFixture.h"
#include "sql/SqlTransferRun.h"

#include <set>

namespace tess::test {
namespace {

class SqlRun : public SqlToolFixture {
protected:
    sql::RunInput input(std::vector<std::wstring> databases) {
        return sql::RunInput{temp_.path() + L"\\Temp Dumps", destination_.path(), std::move(databases), L"(local)", {}};
    }
    std::wstring dump(const std::wstring& db) const { return temp_.path() + L"\\Temp Dumps\\OSTROVASQLTEMP\\[" + db + L"].dmp"; }
    std::wstring shipped(const std::wstring& db) const { return destination_.file(L"[" + db + L"].dmp"); }

    TempDir temp_{L"sqltemp"};
    TempDir destination_{L"sqldest"};
    RecordingRunView view_;
};

TEST_F(SqlRun, InputChecksEndTheRunBeforeAnythingStarts) {
    const std::tuple<const wchar_t*, const wchar_t*, int> cases[] = {  // temporary path, destination; message
        {L"", L"E:\\", 184}, {L"D:\\t", L"  ", 184}, {L"D:\\Temp", L"d:\\temp\\", 572}};
    for (const auto& [temporary, destination, code] : cases) {
        SCOPED_TRACE(code);
        messages_.calls.clear();
        const auto report = sql::CmdNext(sql::RunInput{temporary, destination, {L"a"}, L"(local)", {}}, view_);
        EXPECT_EQ(report.messageCode, code);
        EXPECT_EQ(messages_.codes(), std::vector<int>{code});
    }
    EXPECT_TRUE(view_.runningChanges.empty());
    EXPECT_TRUE(view_.focusedBrowse);
    EXPECT_TRUE(journal().empty());
}

TEST_F(SqlRun, BackupToolThatCannotStartIsNamedWithItsReasonNot568) {
    // 568 is for an empty selection only.
    EXPECT_EQ(sql::CmdNext(input({}), view_).messageCode, 568);
    EXPECT_EQ(view_.runningChanges, (std::vector<bool>{true, false}));
    messages_.calls.clear();
    view_.runningChanges.clear();

    ASSERT_TRUE(DeleteFileW(JoinPath(programFolder(), sql::kBackupToolName).c_str()));
    const auto report = sql::CmdNext(input({L"Sales", L"HR"}), view_);
    EXPECT_EQ(report.messageCode, 0);
    EXPECT_EQ(report.notStarted, (std::vector<std::wstring>{L"Sales", L"HR"}));
    EXPECT_EQ(messages_.codes(), std::vector<int>{570});
    ASSERT_EQ(messages_.calls.size(), 2u);
    EXPECT_NE(messages_.calls[0].text.find(L"Sales\r\nHR"), std::wstring::npos) << messages_.calls[0].text;
    const std::string trace = ReadBytes(common(L"Log_trace.txt"));
    EXPECT_NE(trace.find("'HR': the backup tool could not be started ("), std::string::npos) << trace;
    EXPECT_EQ(view_.runningChanges, (std::vector<bool>{true, false}));
}

TEST_F(SqlRun, DatabasesAreDumpedInTurnAndWhatWasDumpedShipsWhole) {
    demo("[Database:master]\r\nSize=100 KB\r\n[Database:bad]\r\nFault=fail:Cannot open database \"bad\"\r\n"
         "[Database:empty]\r\nFault=crash\r\n[Database:Sales]\r\nSize=3000000\r\n");
    messages_.answer = kResultYes;
    WriteBytes(common(L"VXWLogFile.txt"), "Information : old : scheduled leftovers\r\n");
    const auto report = sql::CmdNext(input({L"master", L"bad", L"empty", L"Sales"}), view_);

    EXPECT_EQ(report.started, 4);
    EXPECT_EQ(report.shipped, 2);
    // Read back with the dump's digest, each dump left the temporary folder (the read-back proved
    // the bytes; the sizes say the whole dump arrived).
    EXPECT_EQ(FileSize(shipped(L"master")), 102400u);
    EXPECT_EQ(FileSize(shipped(L"Sales")), 3000000u);
    for (const wchar_t* db : {L"master", L"Sales"}) EXPECT_FALSE(FileExists(dump(db))) << ToAnsi(db);
    EXPECT_FALSE(FileExists(shipped(L"bad")));
    const std::string j = journal();
    EXPECT_LT(j.find("\"[master]\""), j.find("\"[Sales]\""));

    const std::string trace = ReadBytes(common(L"Log_trace.txt"));
    EXPECT_EQ(trace.find("scheduled"), std::string::npos);  // the previous log was not carried over
    EXPECT_NE(trace.find("Cannot open database \"bad\""), std::string::npos) << trace;
    EXPECT_EQ(trace.find("shipping database 'bad'"), std::string::npos);
    EXPECT_NE(trace.find("Completed shipping database 'Sales' to " + ToAnsi(destination_.path())), std::string::npos);
    // Each database's lines together, in the order of the databases.
    EXPECT_LT(trace.find("database 'master'"), trace.find("Cannot open database \"bad\""));
    EXPECT_LT(trace.find("Cannot open database \"bad\""), trace.find("shipping database 'Sales'"));
    EXPECT_FALSE(FileExists(common(L"VXWLogFile.txt")));  // cleared at the end
    EXPECT_EQ(messages_.codes(), std::vector<int>{570});
    EXPECT_EQ(openedReport(), common(L"Log_trace.txt"));
    EXPECT_DOUBLE_EQ(view_.lastPercent, 100.0);
    EXPECT_EQ(view_.runningChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(TransferInProgress());
}

TEST_F(SqlRun, TheDumpsBarMovesWhileTheToolWritesBeforeAnythingShips) {
    demo("[Database:Sales]\r\nSize=8 MB\r\nFault=pace:3\r\n");
    sql::RunInput in = input({L"Sales"});
    in.databaseBytes = {8u << 20};
    ASSERT_EQ(sql::CmdNext(in, view_).shipped, 1);
    EXPECT_TRUE(view_.dumpBeforeShipping);
    // It moved while the tool wrote, stayed short of its end, and filled once the tool had ended.
    const std::vector<double>& bar = view_.dumpPercents;
    std::set<double> moving;
    for (size_t i = 0; i + 1 < bar.size(); ++i)
        if (bar[i] > 0) moving.insert(bar[i]);
    EXPECT_GE(moving.size(), 2u) << testing::PrintToString(bar);
    EXPECT_LE(*moving.rbegin(), 95);
    EXPECT_EQ(bar.back(), 100);
}

TEST_F(SqlRun, ASecondRunShipsOnlyItsOwnDumpsAndClearsItsDumpFolderWithoutFollowingLinks) {
    demo("[Database:first]\r\nSize=1 KB\r\n[Database:second]\r\nSize=1 KB\r\n");
    Trf_WriteUserProfile(L"KeepTemporaryDumps", L"1");  // the first run's dump stays where the link points
    ASSERT_EQ(sql::CmdNext(input({L"first"}), view_).shipped, 1);

    // The same window, another temporary folder, and in its dump folder a link somebody planted
    // to the first run's.
    TempDir temporary(L"sqltemp2"), destination(L"sqldest2");
    CreateDirectoryW(temporary.file(L"OSTROVASQLTEMP").c_str(), nullptr);
    ASSERT_TRUE(PlantFolderLink(temporary.file(L"OSTROVASQLTEMP\\planted"), ParentFolder(dump(L"first"))));
    RecordingRunView window;  // its progress starts again at 0
    EXPECT_EQ(sql::CmdNext({temporary.path(), destination.path(), {L"second"}, L"(local)", {}}, window).shipped, 1);
    EXPECT_FALSE(FileExists(destination.file(L"[first].dmp")));
    EXPECT_TRUE(FileExists(dump(L"first")));
}

TEST_F(SqlRun, HangingBackupIsEndedAtTheLimitAndTheRunGoesOn) {
    demo("[Database:stuck]\r\nFault=hang\r\n[Database:after]\r\nSize=1 KB\r\n");
    setLimitSeconds(sql::kBackupWaitKey, 2);
    const auto report = sql::CmdNext(input({L"stuck", L"after"}), view_);
    EXPECT_FALSE(FindProcess(sql::kBackupToolName, false, 6));
    EXPECT_EQ(report.shipped, 1);
    EXPECT_TRUE(FileExists(shipped(L"after")));
    EXPECT_FALSE(FileExists(shipped(L"stuck")));
    ASSERT_GE(messages_.calls.size(), 2u);
    EXPECT_NE(messages_.calls[0].text.find(L"'stuck' did not finish within 2 seconds"), std::wstring::npos) << messages_.calls[0].text;
    EXPECT_NE(ReadBytes(common(L"Log_trace.txt")).find("did not finish within the time limit"), std::string::npos);
    EXPECT_EQ(view_.runningChanges.back(), false);
}

// Esc once the hanging tool runs: posted by a timer of the window (a plain function: the timer
// procedure is a system callback).
void CALLBACK escapeOnceTheToolRuns(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    if (!FindProcess(sql::kBackupToolName, false, 6)) return;
    KillTimer(hwnd, id);
    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(SqlRun, EscapeDuringABackupEndsTheToolAndStopsTheRun) {
    demo("[Database:first]\r\nSize=1 KB\r\n[Database:stuck]\r\nFault=hang\r\n");
    SetTimer(view_.window(), 1, 100, escapeOnceTheToolRuns);
    const auto report = sql::CmdNext(input({L"first", L"stuck", L"never"}), view_);
    EXPECT_TRUE(report.cancelled);
    // The first database ships while the second dumps; nothing of the stuck one arrives.
    EXPECT_LE(report.shipped, 1);
    EXPECT_FALSE(FileExists(shipped(L"stuck")));
    EXPECT_FALSE(FindProcess(sql::kBackupToolName, false, 6));
    EXPECT_EQ(journal().find("[never]"), std::string::npos);
    EXPECT_TRUE(messages_.calls.size() == 1 && messages_.calls[0].text.find(L"cancelled") != std::wstring::npos);
    EXPECT_EQ(view_.runningChanges, (std::vector<bool>{true, false}));
}

TEST_F(SqlRun, UnreachableDestinationShipsNothingAndSaysSo) {
    // A drive letter that names nothing in this prefix stands for an unplugged drive.
    wchar_t letter = L'Y';
    while (letter > L'D' && GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR) --letter;
    demo("[Database:a]\r\nSize=1 KB\r\n");
    auto in = input({L"a"});
    in.destination = std::wstring(1, letter) + L":\\Ship";
    const auto report = sql::CmdNext(in, view_);
    EXPECT_EQ(report.messageCode, 15);
    EXPECT_EQ(report.shipped, 0);
    EXPECT_EQ(messages_.calls.size(), 1u);
    EXPECT_EQ(view_.runningChanges.back(), false);
}

TEST_F(SqlRun, OlderWindowsStartsTheToolWithTheOneLineForm) {
    demo("[Database:Sales]\r\nSize=1 KB\r\n");
    static const OsVersionOverride xp{5, 1, 2};
    SetOsVersionForTesting(&xp);
    sql::CmdNext(input({L"Sales"}), view_);
    SetOsVersionForTesting(nullptr);
    // The tool got a line it could act on; the line's exact layout is the logic test's.
    EXPECT_TRUE(FileExists(shipped(L"Sales")));
    EXPECT_NE(journal().find("\\ostrova_sqlbackup_tessaron.exe \"1 \"(local)\" \"[Sales]\" "), std::string::npos) << journal();
    EXPECT_FALSE(FileExists(common(L"SqlLaunchStatus.txt")));  // only the elevated start uses it
}

}  // namespace
}  // namespace tess::test
