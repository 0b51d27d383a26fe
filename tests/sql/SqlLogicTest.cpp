// The SQL Server transfer's decisions, as values: no windows, no files.
#include <gtest/gtest.h>

#include <tuple>

#include "sql/FrmSqlSvrLogin.h"
#include "sql/SqlLogic.h"
#include "support/TestSupport.h"

namespace tess::sql {
namespace {

TEST(SqlLogin, LoginClickRefusesAnotherComputerElseAsksForTheNormalisedServer) {
    const std::tuple<const wchar_t*, int, const wchar_t*> cases[] = {  // server; message, server asked
        {L"", 0, L"(local)"},    {L"  ", 0, L"(local)"},   {L" Local ", 0, L"(local)"}, {L"local", 0, L"(local)"},
        {L"(LOCAL)", 0, L"(LOCAL)"}, {L"SRV1", 0, L"SRV1"}, {L" SRV1\\SALES ", 0, L"SRV1\\SALES"},
        {L"srv1\\SALES", 196, L""},  // the computer-name search is case-sensitive
        {L"OTHER", 196, L""},    {L"localhost", 196, L""},
        {L"OTHERSRV1\\SALES", 197, L""},  // contains SRV1, but names another computer
        {L"SRV1X\\SALES", 197, L""},
    };
    for (const auto& [server, code, asked] : cases) {
        SCOPED_TRACE(server);
        const auto check = CheckLoginClick({server, L" sa ", L" S3cret "}, L"SRV1");
        EXPECT_EQ(check.messageCode, code);
        ASSERT_EQ(check.request.has_value(), code == 0);
        if (!check.request) continue;
        EXPECT_EQ(check.request->server, asked);
        EXPECT_EQ(check.request->user + L"/" + check.request->password, L"sa/S3cret");
    }
}

TEST(SqlLogin, ListToolArgumentFollowsTheAuthenticationTheBoxesImply) {
    // user, password; argument, its logged form
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"", L"2(local)<<<<", L"2(local)<<<<"},
        {L"sa", L"", L"2(local)<<<<", L"2(local)<<<<"},  // SQL authentication without a password
        {L"", L"pw", L"2(local)<<<<", L"2(local)<<<<"},
        {L"sa", L"S3cret", L"1(local)<<sa<<S3cret", L"1(local)<<sa<<********"},
    };
    for (const auto& [user, password, argument, masked] : cases) {
        SCOPED_TRACE(std::wstring(user) + L"/" + password);
        const AuthMode mode = ChooseAuthMode(user, password);
        EXPECT_EQ(DbListToolArgument(mode, L"(local)", user, password), argument);
        EXPECT_EQ(MaskedDbListToolArgument(mode, L"(local)", user, password), masked);
    }
}

TEST(SqlDatabaseList, ParsesPairsByLineNumber) {
    // The rows as "name=bytes" ("-" without a size), "+" when ticked.
    const std::tuple<const char*, const wchar_t*, std::wstring> cases[] = {  // what, list file; rows
        {"blank size is one kilobyte, tempdb left out", L"master\r\n100\r\ntempdb\r\n8\r\nSales\r\n \r\n",
         L"master=102400+ Sales=1024+ "},
        {"an empty size line leaves the row unsized and unchecked", L"master\r\n100\r\nSales\r\n\r\n", L"master=102400+ Sales=- "},
        {"tempdb in any case and with blanks", L"TempDB \r\n8\r\nmodel\r\n2048\r\n", L"model=2097152+ "},
        {"a size after an unsized row does not slide up to it", L"a\r\n\r\nb\r\n5\r\n", L"a=- b=5120+ "},
        {"an empty name line keeps the pairing", L"\r\n7\r\nc\r\n3", L"c=3072+ "},
        {"sizes above 4 GiB", L"big\r\n8388608\r\n", L"big=8589934592+ "},
        {"names keep their blanks and non-ASCII letters", L" Ventes été \r\n1\r\n", L" Ventes été =1024+ "},
        {"empty file", L"", L""},
    };
    for (const auto& [what, text, expected] : cases) {
        SCOPED_TRACE(what);
        std::wstring rows;
        for (const auto& row : ParseDatabaseList(text))
            rows += row.name + L"=" + (row.sizeBytes ? std::to_wstring(*row.sizeBytes) : L"-") + (row.checked ? L"+ " : L" ");
        EXPECT_EQ(rows, expected);
    }
}

// The total of ordinary rows and its text are the database window's test; here, the edges.
TEST(SqlDatabaseList, SelectedTotalInMegabytes) {
    std::vector<DatabaseRow> rows = {{L"a", std::nullopt, true}, {L"b", 1ull << 40, false}};
    EXPECT_EQ(SelectedMegabytes(rows), 0.0);  // a checked row without a size counts as selected
    rows[1].checked = true;  // a terabyte does not overflow
    EXPECT_EQ(SelectedMegabytes(rows), 1048576.0);
    for (auto& row : rows) row.checked = false;
    EXPECT_FALSE(SelectedMegabytes(rows));
}

TEST(SqlRunLogic, DumpFolderForATemporaryPath) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"E:\\", L"E:\\OSTROVASQLTEMP"},
        {L"E:", L"E:\\OSTROVASQLTEMP"},
        {L"D:\\Temp\\", L"D:\\Temp\\OSTROVASQLTEMP"},
        {L"D:\\Temp\\OSTROVASQLTEMP", L"D:\\Temp\\OSTROVASQLTEMP"},
        {L"D:\\Temp\\ostrovasqltemp\\", L"D:\\Temp\\ostrovasqltemp"},
        {L" D:\\My Dumps ", L"D:\\My Dumps\\OSTROVASQLTEMP"},
        {L"\\\\nas\\share", L"\\\\nas\\share\\OSTROVASQLTEMP"},
    };
    for (const auto& [temporary, dump] : cases) {
        SCOPED_TRACE(temporary);
        EXPECT_EQ(DumpFolderFor(temporary), dump);
    }
}

TEST(SqlRunLogic, DumpFileNames) {
    EXPECT_EQ(DatabaseOfDumpFile(DumpFileName(L"Sales")), L"Sales");
    EXPECT_EQ(DatabaseOfDumpFile(DumpFileName(L"a]b[c")), L"abc");
}

BackupToolInput ordinaryInput() {
    BackupToolInput in;
    in.server = L"(local)";
    in.database = L"Sales";
    in.dumpFolderShort = L"C:\\TEMP\\OSTROV~1";
    in.commonFolderShort = L"C:\\PROGRA~1\\TESS\\VXCOMMON";
    in.programFolderShort = L"C:\\PROGRA~1\\TESS\\";
    return in;
}

TEST(SqlRunLogic, BackupCommandLineHasTheFourteenItemsLaidOutExactly) {
    const BackupToolCommand c = BuildBackupToolCommand(ordinaryInput());
    const std::wstring items2to14 =
        L"\"(local)\" \"[Sales]\" \"\" \"\" \"C:\\TEMP\\OSTROV~1\" \"C:\\PROGRA~1\\TESS\\VXCOMMON\" SQLBackupLog.txt "
        L"SQLErrorBackupFile.txt sqlserverstatus.txt SQLBackupTraceFile.txt  \"\" \"\" \"\"";
    EXPECT_EQ(c.parameters.str(), L"\"1\" " + items2to14);
    EXPECT_EQ(c.line.str(), L"\"C:\\PROGRA~1\\TESS\\ostrova_sqlbackup_tessaron.exe \"1 " + items2to14);
    EXPECT_EQ(c.line.forLog(), c.line.str());  // nothing to mask
    EXPECT_EQ(c.toolPath, L"C:\\PROGRA~1\\TESS\\ostrova_sqlbackup_tessaron.exe");
    BackupToolInput noServer = ordinaryInput();
    noServer.server = L"";
    EXPECT_EQ(BuildBackupToolCommand(noServer).parameters.str(), c.parameters.str());
}

// A named instance with SQL Server authentication, and values that try to split the line: each
// arrives as its own item, and the log form masks the password.
TEST(SqlRunLogic, HostileValuesCannotSplitOrAddArgumentsAndThePasswordIsMaskedInTheLog) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {  // database, password, dump folder
        {L"x\" \"/evil", L"p w\"d", L"D:\\dumps\\"},
        {L"trailing\\", L"pass\\", L"D:\\a b\\c\\"},
        {L"Ventes été", L"\"", L"D:\\\"q"},
    };
    for (const auto& [database, password, dumpFolder] : cases) {
        SCOPED_TRACE(database);
        BackupToolInput in = ordinaryInput();
        in.server = L"SRV1##SALES";
        in.database = database;
        in.user = L"sa";
        in.password = password;
        in.dumpFolderShort = dumpFolder;
        const BackupToolCommand c = BuildBackupToolCommand(in);
        const auto args = test::SplitCommandLine(L"tool.exe " + c.parameters.str());
        ASSERT_EQ(args.size(), 15u);
        EXPECT_EQ(args[2], L"SRV1\\SALES");
        EXPECT_EQ(args[3], std::wstring(L"[") + database + L"]");
        EXPECT_EQ(args[5], password);
        EXPECT_EQ(args[6], dumpFolder);
        EXPECT_EQ(args[8], L"SQLBackupLog.txt");
        EXPECT_NE(c.line.forLog().find(L"]\" sa ******** \""), std::wstring::npos) << c.line.forLog();
    }
}

TEST(SqlRunLogic, GatheredLogDropsTheWordScheduled) {
    EXPECT_EQ(GatherLogText(""), "");
    EXPECT_EQ(GatherLogText("Information : x : scheduled backup\r\n"), "Information : x :  backup\r\n\r\n");
}

}  // namespace
}  // namespace tess::sql
