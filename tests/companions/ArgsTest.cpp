#include <gtest/gtest.h>

#include "common/Text.h"
#include "lib/Args.h"
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

TEST(ArgumentText, SkipsTheProgramNameQuotedOrNot) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\P F\\vxsqldblist_tessaron.exe\" 2(local)<<<<", L"2(local)<<<<"},
        {L"C:\\P\\tool.exe   0", L"0"},
        // The older SQL backup line glues the mode digit to the closing quote.
        {L"\"C:\\PROG~1\\ostrova_sqlbackup_tessaron.exe \"1 \"(local)\"", L"1 \"(local)\""},
        {L"\"C:\\P\\tool.exe\"", L""},
        {L"tool.exe", L""},
    };
    for (const auto& [line, rest] : cases) {
        SCOPED_TRACE(ToUTF8(line));
        EXPECT_EQ(std::wstring(ArgumentText(line)), rest);
    }
}

TEST(UndoubleBackslashes, UndoesADoubledLineAfterTheQuoteRules) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\\\Program Files\\\\Tess\\\\VXCOMMON\\\\\\\\TmpExchangeBackupSet.txt\"", L"C:\\Program Files\\Tess\\VXCOMMON\\\\TmpExchangeBackupSet.txt"},
        // A doubled trailing backslash before the closing quote: the quote rules halve it first.
        {L"\"C:\\\\TEMP~1\\\\OstrovaExchBackupset\\\\\"", L"C:\\TEMP~1\\OstrovaExchBackupset\\"},
        // The same folder escaped by the builder before doubling.
        {L"\"C:\\\\TEMP~1\\\\OstrovaExchBackupset\\\\\\\\\"", L"C:\\TEMP~1\\OstrovaExchBackupset\\"},
        {L"\\\\\\\\server\\\\share", L"\\\\server\\share"},
    };
    for (const auto& [doubledItem, original] : cases) {
        SCOPED_TRACE(ToUTF8(doubledItem));
        auto args = SplitArguments(doubledItem);
        ASSERT_EQ(args.size(), 1u);
        EXPECT_EQ(UndoubleBackslashes(args[0]), original);
    }
}
