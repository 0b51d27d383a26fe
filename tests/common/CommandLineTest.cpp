#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CommandLine.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(CommandLine, HostileQuotedValuesArriveAsOneUnchangedArgument) {
    const std::wstring values[] = {
        L"plain",
        L"with blank",
        L"",
        L"C:\\Temp\\",                      // a folder with its trailing backslash
        L"C:\\Temp\\\\",                    // two trailing backslashes
        L"say \"hi\"",                      // quotes inside
        L"\"",                              // a lone quote
        L"a\\\"b",                          // backslash before a quote
        L"a\\\\\"b",                        // two backslashes before a quote
        L"\\\\server\\share\\dir name\\",   // UNC with blank and trailing backslash
        L"x\" \"/evil \"y",                 // an attempt to add arguments
        L"tab\there",
        L"B\u00e4ckup \u03a9 \u65e5\u672c",  // non-ASCII
        L"[db]\\\"",
    };
    for (const auto& value : values) {
        SCOPED_TRACE(testing::Message() << "value #" << (&value - values));
        CommandLine line;
        line.raw(L"prog.exe").quoted(value).quoted(L"next").raw(L"last");
        auto args = test::SplitCommandLine(line.str());
        ASSERT_EQ(args.size(), 4u) << testing::PrintToString(line.str());
        EXPECT_EQ(args[1], value);
        EXPECT_EQ(args[2], L"next");
        EXPECT_EQ(args[3], L"last");
    }
}

TEST(CommandLine, OrdinaryValuesGiveTheContractLineExactly) {
    // The SQL backup tool: items separated by one blank, two before the first of the three empty
    // items at the end.
    CommandLine sql;
    sql.quoted(L"1").quoted(L"SRV\\SALES").quoted(L"[Payroll]").raw(L"sa").raw(L"secret", Secret::kYes)
        .quoted(L"C:\\DUMPS~1").quoted(L"C:\\PROGRA~1\\TESS\\VXCOMMON")
        .raw(L"SQLBackupLog.txt").raw(L"SQLErrorBackupFile.txt").raw(L"sqlserverstatus.txt")
        .raw(L"SQLBackupTraceFile.txt").separator(L"  ").quoted(L"").separator(L" ").quoted(L"").quoted(L"");
    const std::wstring items =
        L"\"1\" \"SRV\\SALES\" \"[Payroll]\" sa secret \"C:\\DUMPS~1\" \"C:\\PROGRA~1\\TESS\\VXCOMMON\" "
        L"SQLBackupLog.txt SQLErrorBackupFile.txt sqlserverstatus.txt SQLBackupTraceFile.txt  \"\" \"\" \"\"";
    EXPECT_EQ(sql.str(), items);

    // The older-Windows form: the quoted tool (a blank before its closing quote), the bare digit
    // glued to it, then items 2 to 14.
    CommandLine old;
    old.quoted(L"C:\\PROGRA~1\\TESS\\ostrova_sqlbackup_tessaron.exe ").glue().raw(L"1").raw(L"\"SRV\"");
    EXPECT_EQ(old.str(), L"\"C:\\PROGRA~1\\TESS\\ostrova_sqlbackup_tessaron.exe \"1 \"SRV\"");

    // The Exchange 2000-2007 helper: " 1" immediately followed by the work folder.
    CommandLine exchange;
    exchange.quoted(L"C:\\EXCHSRVR\\BIN\\ostrovaExchBkp_tessaron.exe").raw(L"1").glue().raw(L"D:\\WORK\\");
    EXPECT_EQ(exchange.str(), L"\"C:\\EXCHSRVR\\BIN\\ostrovaExchBkp_tessaron.exe\" 1D:\\WORK\\");

    // The SharePoint tool: two quoted items, the second a prefix glued to a path.
    CommandLine sharePoint;
    sharePoint.quoted(L"C:\\Tess\\OstrovaSharepoint.exe")
        .quoted(L"DisplayTessaron/C:\\Tess\\VXCOMMON\\VXSharpointBkupSet.ini");
    EXPECT_EQ(sharePoint.str(),
              L"\"C:\\Tess\\OstrovaSharepoint.exe\" \"DisplayTessaron/C:\\Tess\\VXCOMMON\\VXSharpointBkupSet.ini\"");

    // The database-list tool: one raw fragment.
    EXPECT_EQ(CommandLine().raw(L"2(local)<<<<").str(), L"2(local)<<<<");
}

TEST(CommandLine, SecretItemsAreMaskedOnlyInTheLogForm) {
    CommandLine line;
    line.raw(L"tool.exe").raw(L"sa").raw(L"p@ss word", Secret::kYes).quoted(L"p\"w", Secret::kYes).raw(L"end");
    EXPECT_EQ(line.str(), L"tool.exe sa p@ss word \"p\\\"w\" end");
    EXPECT_EQ(line.forLog(), L"tool.exe sa ******** ******** end");
    EXPECT_EQ(line.forLog().find(L"p@ss"), std::wstring::npos);
}
