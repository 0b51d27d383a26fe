// What the tools read from their command lines: the program's own lines read back whole, malformed
// ones refused with a reason.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "lib/Args.h"
#include "lib/Requests.h"
#include "sql/SqlLogic.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::companion;

// The tools must read a line exactly as the system's own splitter does, or an escaped quote in
// a database name would shift every later item.
TEST(SplitArguments, AgreesWithCommandLineToArgvW) {
    const std::wstring cases[] = {
        L"a b  c",
        L"\"1\" \"(local)\" \"[Sales 2024]\" \"\" \"\"",
        L"\"[Say \\\"Hi\\\"]\" next",
        L"\"C:\\Temp\\\\\" x",
        L"\"C:\\\\T\\\\OstrovaExchBackupset\\\\\" \"C:\\\\a b\\\\job.txt\"",
        L"a\\\\\\\"b c\\\\d",
        L"\"a\"\"b\" c",
        L"\"a\"\"\"b\" c",
        L"x\"y z\"w",
        L"\"\"",
        L"  lead trail  ",
        L"\"unterminated value",
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c));
        auto system = test::SplitCommandLine(L"tool.exe " + c);
        EXPECT_EQ(SplitArguments(c), std::vector<std::wstring>(system.begin() + 1, system.end()));
    }
}

TEST(ListRequest, ReadsBackWhatTheProgramSends) {
    const std::wstring cases[][3] = {
        {L"(local)", L"", L""},
        {L"DEMOSRV\\SALES", L"sa", L"Secret#1"},
        {L"(local)", L"sa", L"pass with blanks"},
        {L"(local)", L"sa", L"a<<b"},  // the password keeps what follows
    };
    for (const auto& [server, user, password] : cases) {
        SCOPED_TRACE(ToUTF8(server + L" " + user + L" " + password));
        const sql::AuthMode mode = sql::ChooseAuthMode(user, password);
        auto r = ParseListRequest(sql::DbListToolArgument(mode, server, user, password));
        ASSERT_TRUE(r.value) << ToUTF8(r.error);
        EXPECT_EQ(r.value->sqlAuthentication, mode == sql::AuthMode::kSqlServer);
        EXPECT_EQ(std::vector<std::wstring>({r.value->server, r.value->user, r.value->password}),
                  std::vector<std::wstring>({server, user, password}));
    }
    EXPECT_EQ(ParseListRequest(L"  2SRV<<<<  ").value->server, L"SRV");
    for (const wchar_t* text : {L"", L"3(local)<<<<", L"2(local)", L"2(local)<<", L"2<<<<", L"1(local)<<<<pw"}) {
        SCOPED_TRACE(ToUTF8(text));
        auto r = ParseListRequest(text);
        EXPECT_FALSE(r.value);
        EXPECT_NE(r.error.find(L"Invalid request"), std::wstring::npos);
    }
}

namespace {

// Items 1 to 14 as the program passes them to the backup tool.
std::wstring backupItems(const std::wstring& db, const std::wstring& user = L"", const std::wstring& password = L"") {
    sql::BackupToolInput in{L"DEMOSRV##SALES", db, user, password, L"C:\\TEMP~1\\OSTROV~1", L"C:\\PROG~1\\VXCOMMON",
                            L"C:\\PROG~1"};
    return sql::BuildBackupToolCommand(in).parameters.str();
}

}  // namespace

// The program's own lines, hostile names included, are read back by the tool's contract test
// (SqlToolsTest); here, the lines it must refuse.
TEST(SqlBackupRequest, RefusesMalformedLines) {
    const std::wstring good = backupItems(L"db");
    ASSERT_TRUE(ParseSqlBackupRequest(good).value);
    const std::wstring bad[] = {
        L"",
        ReplaceAll(backupItems(L"db", L"sa", L"pw"), L" pw ", L" two words "),  // an unquoted blank shifts the items
        L"\"2\"" + good.substr(3),                // mode other than 1
        backupItems(L""),                         // "[]"
        good + L" extra",
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(ToUTF8(c));
        auto r = ParseSqlBackupRequest(c);
        EXPECT_FALSE(r.value);
        EXPECT_FALSE(r.error.empty());
    }
}

// From 2010 on every backslash of the line is doubled, and halved again after the quote rules have
// read it (the pair before the closing quote is halved by those rules already). The program's lines
// of each version run end to end (tests/e2e); here, an output folder on a share and the lines a
// helper must refuse.
TEST(ExchangeRequest, ReadsAShareInTheDoubledDialectAndRefusesMalformedLines) {
    auto r = ParseExchangeRequest(
        L"1 \"C:\\\\P F\\\\VXCOMMON\\\\\\\\Tmp.txt\" \"\\\\\\\\server\\\\share\\\\OstrovaExchBackupset\\\\\"", 2010);
    ASSERT_TRUE(r.value) << ToUTF8(r.error);
    EXPECT_EQ(r.value->operation, ExchangeOperation::Backup);
    EXPECT_EQ(r.value->jobList, L"C:\\P F\\VXCOMMON\\\\Tmp.txt");
    EXPECT_EQ(r.value->outputFolder, L"\\\\server\\share\\OstrovaExchBackupset\\");
    const std::pair<int, std::wstring> bad[] = {{2003, L""},     {2003, L"1"},          {2003, L"7"}, {2007, L"0 C:\\x"},
                                                {2010, L"1 \"job\""}, {2013, L"2"}, {2010, L""}};
    for (const auto& [generation, text] : bad) {
        SCOPED_TRACE(ToUTF8(text));
        EXPECT_FALSE(ParseExchangeRequest(text, generation).value);
    }
}
