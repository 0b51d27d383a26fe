// Contract tests of the four Exchange helpers with the program's command lines.
#include <windows.h>

#include <gtest/gtest.h>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Text.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[Exchange]\r\nServer=EXCH1\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n"
    "[StorageGroup:sg2]\r\nName=Second Storage Group\r\n"
    "[Store:a]\r\nGroup=sg1\r\nName=Mailbox Store (EXCH1)\r\nSize=300000\r\n"
    "[Store:b]\r\nGroup=sg1\r\nName=Public Folder Store (EXCH1)\r\nSize=1000\r\nFault=fail:Store is dismounted.\r\n"
    "[Store:c]\r\nGroup=sg2\r\nName=Archive\r\nSize=5000\r\n"
    "[Store:d]\r\nName=Mailbox Database 0815\r\nSize=70000\r\n";

struct Helper {
    int generation;
    const wchar_t* exe;
};
const Helper kHelpers[] = {{2003, L"ostrovaExchBkp_tessaron.exe"},
                           {2007, L"ostrova64ExchBkp_tessaron.exe"},
                           {2010, L"ostrova2010ExchBkp_tessaron.exe"},
                           {2013, L"ostrova2013ExchBkp_tessaron.exe"}};

std::wstring doubled(const std::wstring& line) { return ReplaceAll(line, L"\\", L"\\\\"); }

}  // namespace

// What the description holds is checked against the output texts themselves (OutputsTest); here,
// that each helper answers its lines and writes the file the program reads.
TEST(ExchangeHelpers, PresenceAndInformationRunsDescribeTheServer) {
    for (const Helper& h : kHelpers) {
        for (const wchar_t* op : {L"3", L"0"}) {
            if (h.generation >= 2010 && std::wstring(op) == L"3") continue;  // 2010 and 2013 ask presence with 0 too
            SCOPED_TRACE(ToUTF8(std::wstring(h.exe) + L" " + op));
            Sandbox box(kDemo);
            const std::wstring exe = box.install(h.exe);
            WriteBytes(box.common(L"Exchtreestatus.txt"), "1\r\n");
            std::wstring line = Quoted(exe) + L" " + op;
            if (h.generation >= 2010) line = doubled(line);
            EXPECT_EQ(box.run(line), 0u);
            EXPECT_EQ(box.first(L"cmd").fields.at(0), line);
            EXPECT_EQ(ReadBytes(box.common(L"Exchtreestatus.txt")), "2\r\n");
            const std::wstring ini = box.program() + L"\\ExchTreeInfo.ini";
            EXPECT_EQ(ProfileValue(ini, "VXEXCHINFO", "EXCHANGE"), "1");
            EXPECT_FALSE(ProfileValue(ini, "VXEXCHINFO", h.generation < 2010 ? "EXCHInstanceNames" : "EXCHDatabaseNames").empty());
        }
    }
}

TEST(ExchangeHelpers, NoExchangeOrAFailureReportsZero) {
    const std::pair<std::string, DWORD> cases[] = {
        {"[Demo]\r\nComputerName=X\r\n", 1},
        {std::string(kDemo) + "[Faults]\r\nostrova64ExchBkp_tessaron=fail:Information store not running.\r\n", 1},
        {std::string(kDemo).replace(0, 11, "[Exchange]\r\nPresent=0\r\n"), 0},
    };
    for (const auto& [ini, exitCode] : cases) {
        SCOPED_TRACE(ini.substr(0, 40));
        Sandbox box(ini);
        const std::wstring exe = box.install(L"ostrova64ExchBkp_tessaron.exe");
        // An older answer must not survive a run that found nothing.
        WriteBytes(box.program() + L"\\ExchTreeInfo.ini", "[VXEXCHINFO]\r\nEXCHANGE=1\r\n");
        EXPECT_EQ(box.run(Quoted(exe) + L" 3"), exitCode);
        EXPECT_EQ(ProfileValue(box.program() + L"\\ExchTreeInfo.ini", "VXEXCHINFO", "EXCHANGE"), "0");
        EXPECT_EQ(ReadBytes(box.common(L"Exchtreestatus.txt")), "2\r\n");
    }
}

TEST(ExchangeHelpers, OlderBackupFollowsTheJobListIntoTheWorkFolder) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrovaExchBkp_tessaron.exe");
    const std::wstring work = box.folder(L"Exch Temp");
    const std::wstring prefix = L"EXCH1\\First Administrative Group\\";
    WriteBytes(box.common(L"TmpExchangeBackupSet.txt"),
               ToAnsi(L"D_" + prefix + L"First Storage Group\\\r\nF_" + prefix + L"Second Storage Group\\Archive\r\n"));
    // " 1" glued to the short work folder with its trailing backslash.
    const std::wstring line = Quoted(ShortPath(box.program()) + L"\\ostrovaExchBkp_tessaron.exe") + L" 1" + ShortPath(work) + L"\\";
    EXPECT_EQ(box.run(line), 1u);  // one store of the set is dismounted
    const std::wstring set = work + L"\\OstrovaExchBackupset";
    EXPECT_EQ(FileSize(set + L"\\First Storage Group\\Mailbox Store (EXCH1).edb"), 300000u);
    EXPECT_FALSE(FileExists(set + L"\\First Storage Group\\Public Folder Store (EXCH1).edb"));
    EXPECT_EQ(FileSize(set + L"\\Second Storage Group\\Archive.edb"), 5000u);
    EXPECT_EQ(ProfileValue(set + L"\\ExchBackupINI.ini", "BACKEDUP STORAGE GROUPS", "NOSG"), "2");
    EXPECT_EQ(ProfileValue(set + L"\\ExchBackupINI.ini", "BKP INFO OF->Second Storage Group", "DB1"), "Archive");
    std::string log = ReadBytes(box.common(L"logs\\VXExchangeServerBkset.txt"));
    EXPECT_NE(log.find("Backup of database 'Public Folder Store (EXCH1)' failed: Store is dismounted."), std::string::npos) << log;
    EXPECT_NE(log.find("Backup of database 'Archive' completed: 5000 bytes."), std::string::npos);
}

TEST(ExchangeHelpers, NewerBackupReadsTheDoubledLine) {
    for (const Helper& h : {kHelpers[2], kHelpers[3]}) {
        SCOPED_TRACE(h.generation);
        Sandbox box(kDemo);
        box.install(h.exe);
        const std::wstring out = box.folder(L"EXCHTEMP") + L"\\OstrovaExchBackupset\\";
        CreateDirectoryW(out.c_str(), nullptr);
        const std::wstring job = box.program() + L"\\VXCOMMON\\" + (h.generation == 2010 ? L"\\" : L"") + L"TmpExchangeBackupSet.txt";
        WriteBytes(box.common(L"TmpExchangeBackupSet.txt"), "\bMailbox Database 0815\bArchive");
        const std::wstring line = doubled(Quoted(ShortPath(box.program()) + L"\\" + h.exe) + L" 1 \"" + job + L"\" \"" +
                                          ShortPath(out) + L"\"");
        EXPECT_EQ(box.run(line), 0u);
        EXPECT_EQ(FileSize(out + L"Mailbox Database 0815\\Mailbox Database 0815.edb"), 70000u);
        EXPECT_EQ(FileSize(out + L"Archive\\Archive.edb"), 5000u);
        EXPECT_NE(ReadBytes(box.common(L"logs\\VXExchangeServerBkset.txt")).find("Exchange Server backup completed."), std::string::npos);
    }
}

TEST(ExchangeHelpers, MalformedLinesAndBadJobsAreExplained) {
    struct Case {
        int helper;
        std::wstring args;
        DWORD exitCode;
        std::string error;
    } cases[] = {
        {1, L"7", 2, "unknown operation '7'"},
        {2, L"1 \"only-a-job.txt\"", 2, "Invalid request"},
        {0, L"1C:\\nowhere\\", 1, "Cannot read the job list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.args));
        Sandbox box(kDemo);
        const std::wstring exe = box.install(kHelpers[c.helper].exe);
        EXPECT_EQ(box.run(Quoted(exe) + L" " + c.args), c.exitCode);
        EXPECT_NE(ReadBytes(box.common(L"ExchBkpError.txt")).find(c.error), std::string::npos);
    }
}

TEST(ExchangeHelpers, AHangInTheMiddleLeavesEarlierStoresOnly) {
    Sandbox box(std::string(kDemo) + "[Store:e]\r\nGroup=sg2\r\nName=Frozen\r\nSize=10\r\nFault=hang\r\n");
    const std::wstring exe = box.install(L"ostrova64ExchBkp_tessaron.exe");
    const std::wstring work = box.folder(L"work");
    WriteBytes(box.common(L"TmpExchangeBackupSet.txt"), "D_EXCH1\\First Administrative Group\\Second Storage Group\\\r\n");
    UniqueHandle process = box.start(Quoted(exe) + L" 1" + work + L"\\");
    ASSERT_TRUE(process);
    EXPECT_TRUE(box.hangs(process));
    EXPECT_EQ(FileSize(work + L"\\OstrovaExchBackupset\\Second Storage Group\\Archive.edb"), 5000u);
    EXPECT_FALSE(FileExists(work + L"\\OstrovaExchBackupset\\Second Storage Group\\Frozen.edb"));
}
