// The Exchange transfer's decisions: version mapping, the helpers' command lines, the job list,
// the set log rewritten for the report, the backup set inventory, and the run's input checks.
// The helpers' real runs are the end-to-end tests' (tests/e2e/ExchangeE2ETest.cpp).
#include <gtest/gtest.h>

#include <tuple>

#include "common/Files.h"
#include "exchange/ExchangeDetection.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRun.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"

namespace tess::exchange {
namespace {

TEST(ExchangeLogic, VersionFromTheInstalledFiles) {
    using V = std::optional<std::wstring>;
    const std::tuple<V, V, const wchar_t*, const wchar_t*> cases[] = {  // exifs.sys, esebcli2; version, service pack
        {L"6.0.6249.0", {}, L"2000", L"6249.0"},
        {L"6.5.7638.1", L"14.3.123.4", L"2003", L"7638.1"},  // exifs.sys wins
        {{}, L"14.3.123.4", L"2010", L""},
        {{}, L"15.0.847.32", L"2013", L""},
        {{}, L"8.1.240.5", L"2007", L""},
        {{}, {}, L"0", L""},
        {L"", {}, L"0", L""},  // a file without a version resource
        {{}, L"7.0.1.1", L"0", L""},
    };
    for (const auto& [exifs, esebcli2, version, spNo] : cases) {
        SCOPED_TRACE(exifs.value_or(L"-") + L" / " + esebcli2.value_or(L"-"));
        const ExchangeVersionInfo info = VersionFromFileVersions(exifs, esebcli2);
        EXPECT_EQ(std::tie(info.exchVersion, info.exchSpNo), std::make_tuple(std::wstring(version), std::wstring(spNo)));
    }
}

// Each helper's three lines, written out as the helpers' contract gives them: the presence run
// never doubles; the information and backup runs of 2010/2013 double every backslash, which
// leaves the output folder's trailing one as an even pair before the closing quote.
TEST(ExchangeLogic, HelperLinesAreTheContractsByteForByte) {
    BackupCommandInput input;
    input.programFolderShort = L"C:\\PROGRA~1\\TESSARON\\";
    input.programFolderLong = L"C:\\Program Files\\Tessaron";
    input.workFolder = L"D:\\EXCHTE~1\\";
    const std::tuple<int, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {  // presence, information, backup
        {2000, LR"("C:\Program Files\Tessaron\ostrovaExchBkp_tessaron.exe" 3)",
         LR"("C:\Program Files\Tessaron\ostrovaExchBkp_tessaron.exe" 0)",
         LR"("C:\PROGRA~1\TESSARON\ostrovaExchBkp_tessaron.exe" 1D:\EXCHTE~1\)"},
        {2003, LR"("C:\Program Files\Tessaron\ostrovaExchBkp_tessaron.exe" 3)",
         LR"("C:\Program Files\Tessaron\ostrovaExchBkp_tessaron.exe" 0)",
         LR"("C:\PROGRA~1\TESSARON\ostrovaExchBkp_tessaron.exe" 1D:\EXCHTE~1\)"},
        {2007, LR"("C:\Program Files\Tessaron\ostrova64ExchBkp_tessaron.exe" 3)",
         LR"("C:\Program Files\Tessaron\ostrova64ExchBkp_tessaron.exe" 0)",
         LR"("C:\PROGRA~1\TESSARON\ostrova64ExchBkp_tessaron.exe" 1D:\EXCHTE~1\)"},
        {2010, LR"("C:\Program Files\Tessaron\ostrova2010ExchBkp_tessaron.exe" 0)",
         LR"("C:\\Program Files\\Tessaron\\ostrova2010ExchBkp_tessaron.exe" 0)",
         LR"("C:\\PROGRA~1\\TESSARON\\ostrova2010ExchBkp_tessaron.exe" 1 )"
         LR"("C:\\Program Files\\Tessaron\\VXCOMMON\\\\TmpExchangeBackupSet.txt" "D:\\EXCHTE~1\\OstrovaExchBackupset\\")"},
        {2013, LR"("C:\Program Files\Tessaron\ostrova2013ExchBkp_tessaron.exe" 0)",
         LR"("C:\\Program Files\\Tessaron\\ostrova2013ExchBkp_tessaron.exe" 0)",
         LR"("C:\\PROGRA~1\\TESSARON\\ostrova2013ExchBkp_tessaron.exe" 1 )"
         LR"("C:\\Program Files\\Tessaron\\VXCOMMON\\TmpExchangeBackupSet.txt" "D:\\EXCHTE~1\\OstrovaExchBackupset\\")"},
    };
    for (const auto& [version, presence, information, backup] : cases) {
        SCOPED_TRACE(version);
        EXPECT_EQ(QueryCommandLine(version, input.programFolderLong, true), presence);
        EXPECT_EQ(QueryCommandLine(version, input.programFolderLong, false), information);
        input.exchVersion = version;
        EXPECT_EQ(BackupCommandLine(input), backup);
    }
}

TEST(ExchangeLogic, JobListInBothForms) {
    const std::vector<std::wstring> selection = {L"SRV\\Admin\\First Group\\", L"SRV\\Admin\\Second\\Mail#1"};
    const std::wstring text = SelectionText(selection);
    EXPECT_EQ(text, L";SRV\\Admin\\First Group\\;SRV\\Admin\\Second\\Mail#1");
    const std::vector<std::wstring> typed = {L"D_SRV\\Admin\\First Group\\", L" ", L"F_SRV\\Admin\\Second\\Mail#1 "};
    EXPECT_EQ(JobListLines(2007, typed, text),
              (std::vector<std::wstring>{L"D_SRV\\Admin\\First Group\\", L"F_SRV\\Admin\\Second\\Mail#1"}));
    EXPECT_EQ(JobListLines(2010, typed, SelectionText({L"Mailbox DB", L"Public;x"})),
              (std::vector<std::wstring>{L"\bMailbox DB\bPublic\bx"}));
}

TEST(ExchangeLogic, SetLogRewrittenForTheReport) {
    const std::string log = "a scheduled Backup started\r\na  Backup started\r\n"
                            "store backup done\r\nstore backup done\r\n\r\n\r\nlast";
    EXPECT_EQ(RewriteSetLog(log), "a  data transfer started\r\nstore data transfer done\r\n\r\nlast\r\n");
    EXPECT_EQ(RewriteSetLog(""), "");
}

// The inventory lookup behind the file tree's grey entries, read from a real INI file.
TEST(ExchangeLogic, BackupSetInventory) {
    test::TempDir set(L"set");
    test::WriteBytes(set.file(L"ExchBackupINI.ini"),
                     "[BACKEDUP STORAGE GROUPS]\r\nNOSG=2\r\nSG1=First Group \r\nSG2=Second\r\n"
                     "[BKP INFO OF->First Group]\r\nNODB=1\r\nDB1=Mailbox Store\r\n");
    const std::tuple<const wchar_t*, const wchar_t*, bool> cases[] = {  // group, database; outside the set
        {L"FIRST GROUP", L"", false},  // groups ignore case
        {L"Third", L"", true},
        {L"First Group", L"MAILBOX STORE", false},
        {L"first group", L"Mailbox Store", true},  // a database's group must match exactly
        {L"Second", L"Mailbox Store", true},
    };
    for (const auto& [group, database, outside] : cases) {
        SCOPED_TRACE(std::wstring(group) + L"/" + database);
        EXPECT_EQ(OutsideExchangeBackupSet(set.path(), group, database), outside);
    }
    test::WriteBytes(set.file(L"ExchBackupINI.ini"), "[BACKEDUP STORAGE GROUPS]\r\nSG1=First Group\r\n");
    EXPECT_FALSE(OutsideExchangeBackupSet(set.path(), L"Other", L""));  // no NOSG: nothing is marked
}

TEST(ExchangeRun, InputChecksStopBeforeAnythingRuns) {
    test::ScopedProgramFolder program(L"exch");
    test::RecordedMessages shown;
    test::RecordingRunView view;
    // temporary path, destination, selection; message
    const std::tuple<std::wstring, const wchar_t*, std::vector<std::wstring>, int> cases[] = {
        {L"E:\\x\\", L"E:\\x", {L"x"}, 571},
        {L"", L"E:\\x", {L"x"}, 573},
        {L"C:\\t", L"", {L"x"}, 573},
        {program.path(), L"E:\\x", {}, 20},
    };
    for (const auto& [temporary, destination, selection, message] : cases) {
        SCOPED_TRACE(message);
        EXPECT_EQ(CmdNext({2007, selection, temporary, destination, &view}).messageCode, message);
    }
    ExchangeRunResult result;
    EXPECT_FALSE(DoExchangeBackup({2007, {L"x"}, L" ", L"E:\\x", &view}, &result));  // Enter with no temporary path
    EXPECT_EQ(result.messageCode, 19);
    EXPECT_EQ(shown.calls.size(), 5u);
    EXPECT_FALSE(FileExists(program.common(L"TmpExchangeBackupSet.txt")));
}

}  // namespace
}  // namespace tess::exchange
