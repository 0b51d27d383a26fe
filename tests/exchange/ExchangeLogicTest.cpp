// The Exchange transfer's decisions: version mapping, helper choice, the helpers' command lines,
// the job list, the set log rewritten for the report, and the backup set inventory lookup.
#include <gtest/gtest.h>

#include <map>

#include "exchange/ExchangeLogic.h"

namespace tess::exchange {
namespace {

TEST(ExchangeLogic, VersionFromTheInstalledFiles) {
    using V = std::optional<std::wstring>;
    struct Case {
        V exifs, esebcli2;
        const wchar_t* version;
        const wchar_t* spNo;
    } cases[] = {
        {L"6.0.6249.0", {}, L"2000", L"6249.0"},
        {L"6.0.4417.5", {}, L"2000", L"4417.5"},
        {L"6.5.7638.1", L"14.3.123.4", L"2003", L"7638.1"},  // exifs.sys wins
        {{}, L"14.3.123.4", L"2010", L""},
        {{}, L"15.0.847.32", L"2013", L""},
        {{}, L"8.1.240.5", L"2007", L""},
        {{}, {}, L"0", L""},
        {L"", {}, L"0", L""},  // a file without a version resource
        {{}, L"7.0.1.1", L"0", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exifs.value_or(L"-") + L" / " + c.esebcli2.value_or(L"-"));
        const ExchangeVersionInfo info = VersionFromFileVersions(c.exifs, c.esebcli2);
        EXPECT_EQ(info.exchVersion, c.version);
        EXPECT_EQ(info.exchSpNo, c.spNo);
    }
    EXPECT_EQ(ExifsPath(L"C:\\windows\\system32\\"), L"C:\\windows\\system32\\Drivers\\exifs.sys");
    EXPECT_EQ(ExifsPath(L"C:\\windows\\system32"), L"C:\\windows\\system32\\Drivers\\exifs.sys");
}

TEST(ExchangeLogic, QueryCommandLinesByVersion) {
    const std::wstring program = L"C:\\Program Files\\Tessaron";
    struct Case {
        int version;
        bool presence;
        const wchar_t* line;
    } cases[] = {
        {2000, true, L"\"C:\\Program Files\\Tessaron\\ostrovaExchBkp_tessaron.exe\" 3"},
        {2003, false, L"\"C:\\Program Files\\Tessaron\\ostrovaExchBkp_tessaron.exe\" 0"},
        {2007, true, L"\"C:\\Program Files\\Tessaron\\ostrova64ExchBkp_tessaron.exe\" 3"},
        {2010, true, L"\"C:\\\\Program Files\\\\Tessaron\\\\ostrova2010ExchBkp_tessaron.exe\" 0"},
        {2013, false, L"\"C:\\\\Program Files\\\\Tessaron\\\\ostrova2013ExchBkp_tessaron.exe\" 0"},
        {0, false, L"\"C:\\Program Files\\Tessaron\\ostrovaExchBkp_tessaron.exe\" 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(QueryCommandLine(c.version, program, c.presence), c.line);
    }
}

TEST(ExchangeLogic, BackupCommandLinesByVersion) {
    BackupCommandInput input;
    input.programFolderShort = L"C:\\PROGRA~1\\TESSARON\\";
    input.programFolderLong = L"C:\\Program Files\\Tessaron";
    input.workFolder = L"D:\\EXCHTE~1\\";
    struct Case {
        int version;
        const wchar_t* line;
    } cases[] = {
        {2003, L"\"C:\\PROGRA~1\\TESSARON\\ostrovaExchBkp_tessaron.exe\" 1D:\\EXCHTE~1\\"},
        {2007, L"\"C:\\PROGRA~1\\TESSARON\\ostrova64ExchBkp_tessaron.exe\" 1D:\\EXCHTE~1\\"},
        // Every backslash doubled; the builder's escaping of the output folder's trailing
        // backslash (so that it does not swallow the closing quote) is doubled with the rest.
        {2010, L"\"C:\\\\PROGRA~1\\\\TESSARON\\\\ostrova2010ExchBkp_tessaron.exe\" 1 "
               L"\"C:\\\\Program Files\\\\Tessaron\\\\VXCOMMON\\\\\\\\TmpExchangeBackupSet.txt\" "
               L"\"D:\\\\EXCHTE~1\\\\OstrovaExchBackupset\\\\\\\\\""},
        {2013, L"\"C:\\\\PROGRA~1\\\\TESSARON\\\\ostrova2013ExchBkp_tessaron.exe\" 1 "
               L"\"C:\\\\Program Files\\\\Tessaron\\\\VXCOMMON\\\\TmpExchangeBackupSet.txt\" "
               L"\"D:\\\\EXCHTE~1\\\\OstrovaExchBackupset\\\\\\\\\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        input.exchVersion = c.version;
        EXPECT_EQ(BackupCommandLine(input), c.line);
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
    const std::string log =
        "a scheduled Backup started\r\n"
        "a  Backup started\r\n"
        "store backup done\r\n"
        "store backup done\r\n"
        "\r\n"
        "\r\n"
        "last";
    EXPECT_EQ(RewriteSetLog(log),
              "a  data transfer started\r\n"
              "store data transfer done\r\n"
              "\r\n"
              "last\r\n");
    EXPECT_EQ(RewriteSetLog(""), "");
}

TEST(ExchangeLogic, ShippingTexts) {
    EXPECT_EQ(DisplayDestination(L"E:\\123456789012345678901234567"), L"E:\\1234567890123456789012...");
    EXPECT_EQ(DisplayDestination(L"E:\\2345678901234567890123"), L"E:\\2345678901234567890123");
    EXPECT_EQ(ShippedPart(L"D:\\Tmp\\ostrovaexchbackupset\\SG 1\\a.edb"), L"ostrovaexchbackupset\\SG 1\\a.edb");
    EXPECT_EQ(ShippedPart(L"D:\\Tmp\\other\\a.edb"), L"");
}

TEST(ExchangeLogic, BackupInventoryLookup) {
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> ini = {
        {{L"BACKEDUP STORAGE GROUPS", L"NOSG"}, L"2"},
        {{L"BACKEDUP STORAGE GROUPS", L"SG1"}, L"First Group "},
        {{L"BACKEDUP STORAGE GROUPS", L"SG2"}, L"Second"},
        {{L"BKP INFO OF->First Group", L"NODB"}, L"1"},
        {{L"BKP INFO OF->First Group", L"DB1"}, L"Mailbox Store"},
    };
    const IniReader read = [&](const std::wstring& s, const std::wstring& k) {
        auto it = ini.find({s, k});
        return it == ini.end() ? std::wstring() : it->second;
    };
    struct Case {
        const wchar_t* group;
        const wchar_t* database;
        bool groupOnly, holds;
    } cases[] = {
        {L"first group", L"", true, true},      {L"Third", L"", true, false},
        {L"First Group", L"MAILBOX STORE", false, true}, {L"first group", L"Mailbox Store", false, false},
        {L"Second", L"Mailbox Store", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.group) + L"/" + c.database);
        EXPECT_EQ(BackupIniHolds(read, c.group, c.database, c.groupOnly), c.holds);
    }
    ini.erase({L"BACKEDUP STORAGE GROUPS", L"NOSG"});
    EXPECT_FALSE(BackupIniHolds(read, L"First Group", L"", true));
}

}  // namespace
}  // namespace tess::exchange
