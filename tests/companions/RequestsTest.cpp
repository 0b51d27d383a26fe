#include <gtest/gtest.h>

#include "common/CommandLine.h"
#include "common/Text.h"
#include "lib/Requests.h"

using namespace tess;
using namespace tess::companion;

TEST(ListRequest, ReadsModeServerUserAndPassword) {
    struct Case {
        std::wstring text;
        bool sql;
        std::wstring server, user, password;
    } cases[] = {
        {L"2(local)<<<<", false, L"(local)", L"", L""},
        {L"1DEMOSRV\\SALES<<sa<<Secret#1", true, L"DEMOSRV\\SALES", L"sa", L"Secret#1"},
        {L"1(local)<<sa<<pass with blanks", true, L"(local)", L"sa", L"pass with blanks"},
        {L"1(local)<<sa<<a<<b", true, L"(local)", L"sa", L"a<<b"},  // the password keeps what follows
        {L"  2SRV<<<<  ", false, L"SRV", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.text));
        auto r = ParseListRequest(c.text);
        ASSERT_TRUE(r.value) << ToUTF8(r.error);
        EXPECT_EQ(r.value->sqlAuthentication, c.sql);
        EXPECT_EQ(r.value->server, c.server);
        EXPECT_EQ(r.value->user, c.user);
        EXPECT_EQ(r.value->password, c.password);
    }
}

TEST(ListRequest, RefusesMalformedTextWithAReason) {
    for (const wchar_t* text : {L"", L"3(local)<<<<", L"2(local)", L"2(local)<<", L"2<<<<", L"1(local)<<<<pw"}) {
        SCOPED_TRACE(ToUTF8(text));
        auto r = ParseListRequest(text);
        EXPECT_FALSE(r.value);
        EXPECT_NE(r.error.find(L"Invalid request"), std::wstring::npos);
    }
}

namespace {

// The fourteen items the way the program lays them out, through its own builder.
std::wstring backupItems(const std::wstring& server, const std::wstring& db, const std::wstring& user, const std::wstring& password) {
    CommandLine line;
    line.quoted(L"1").quoted(server).quoted(L"[" + db + L"]");
    user.empty() ? line.quoted(L"") : line.raw(user);
    password.empty() ? line.quoted(L"") : line.raw(password);
    line.quoted(L"C:\\TEMP~1\\OSTROV~1").quoted(L"C:\\PROG~1\\VXCOMMON").raw(L"SQLBackupLog.txt").raw(L"SQLErrorBackupFile.txt")
        .raw(L"sqlserverstatus.txt").raw(L"SQLBackupTraceFile.txt").separator(L"  ").quoted(L"").separator(L" ").quoted(L"").quoted(L"");
    return line.str();
}

}  // namespace

TEST(SqlBackupRequest, ReadsTheFourteenItems) {
    struct Case {
        std::wstring server, db, user, password;
    } cases[] = {
        {L"(local)", L"Sales 2024", L"", L""},
        {L"DEMOSRV\\SALES", L"O'Brien \"Q\" DB", L"sa", L"Secret#1"},
        {L"(local)", L"Ventes \u00e9t\u00e9", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.db));
        auto r = ParseSqlBackupRequest(backupItems(c.server, c.db, c.user, c.password));
        ASSERT_TRUE(r.value) << ToUTF8(r.error);
        EXPECT_EQ(r.value->server, c.server);
        EXPECT_EQ(r.value->database, c.db);
        EXPECT_EQ(r.value->user, c.user);
        EXPECT_EQ(r.value->password, c.password);
        EXPECT_EQ(r.value->dumpFolder, L"C:\\TEMP~1\\OSTROV~1");
        EXPECT_EQ(r.value->commonFolder, L"C:\\PROG~1\\VXCOMMON");
        EXPECT_EQ(r.value->errorFile, L"SQLErrorBackupFile.txt");
        EXPECT_EQ(r.value->traceFile, L"SQLBackupTraceFile.txt");
    }
}

TEST(SqlBackupRequest, RefusesMalformedLines) {
    const std::wstring good = backupItems(L"(local)", L"db", L"", L"");
    const std::wstring cases[] = {
        L"",
        backupItems(L"(local)", L"db", L"sa", L"two words"),           // an unquoted blank shifts the items
        L"\"2\"" + good.substr(3),                                        // mode other than 1
        backupItems(L"(local)", L"", L"", L""),                           // "[]"
        good + L" extra",
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c));
        auto r = ParseSqlBackupRequest(c);
        EXPECT_FALSE(r.value);
        EXPECT_FALSE(r.error.empty());
    }
}

TEST(ExchangeRequest, ReadsBothDialects) {
    struct Case {
        int generation;
        std::wstring text;
        ExchangeOperation op;
        std::wstring work, job, output;
    } cases[] = {
        {2003, L"3", ExchangeOperation::Presence, L"", L"", L""},
        {2007, L"0", ExchangeOperation::Information, L"", L"", L""},
        {2003, L"1C:\\TEMP~1\\", ExchangeOperation::Backup, L"C:\\TEMP~1\\", L"", L""},
        {2007, L"1\"C:\\Exch Temp\\\\\"", ExchangeOperation::Backup, L"C:\\Exch Temp\\", L"", L""},
        {2010, L"0", ExchangeOperation::Information, L"", L"", L""},
        {2013,
         L"1 \"C:\\\\Program Files\\\\Tess\\\\VXCOMMON\\\\TmpExchangeBackupSet.txt\" \"C:\\\\TEMP~1\\\\OstrovaExchBackupset\\\\\"",
         ExchangeOperation::Backup, L"", L"C:\\Program Files\\Tess\\VXCOMMON\\TmpExchangeBackupSet.txt", L"C:\\TEMP~1\\OstrovaExchBackupset\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.text));
        auto r = ParseExchangeRequest(c.text, c.generation);
        ASSERT_TRUE(r.value) << ToUTF8(r.error);
        EXPECT_EQ(r.value->operation, c.op);
        EXPECT_EQ(r.value->workFolder, c.work);
        EXPECT_EQ(r.value->jobList, c.job);
        EXPECT_EQ(r.value->outputFolder, c.output);
    }
}

TEST(ExchangeRequest, RefusesMalformedLines) {
    struct Case {
        int generation;
        std::wstring text;
    } cases[] = {{2003, L""}, {2003, L"1"}, {2003, L"7"}, {2007, L"0 C:\\x"}, {2010, L"1 \"job\""}, {2013, L"2"}, {2010, L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.text));
        EXPECT_FALSE(ParseExchangeRequest(c.text, c.generation).value);
    }
}

TEST(SharePointRequest, TakesTheJobFileAfterThePrefix) {
    auto ok = ParseSharePointRequest(L"\"DisplayTessaron/C:\\Program Files\\Tess\\VXCOMMON\\VXSharpointBkupSet.ini\"");
    ASSERT_TRUE(ok.value);
    EXPECT_EQ(ok.value->jobFile, L"C:\\Program Files\\Tess\\VXCOMMON\\VXSharpointBkupSet.ini");
    for (const wchar_t* bad : {L"", L"\"C:\\job.ini\"", L"\"DisplayTessaron/\"", L"\"DisplayTessaron/a\" b"}) {
        SCOPED_TRACE(ToUTF8(bad));
        EXPECT_FALSE(ParseSharePointRequest(bad).value);
    }
}

TEST(MaskSecret, HidesEveryOccurrence) {
    EXPECT_EQ(MaskSecret(L"\"1\" sa pw x pw", L"pw"), L"\"1\" sa **** x ****");
    EXPECT_EQ(MaskSecret(L"nothing", L""), L"nothing");
}
