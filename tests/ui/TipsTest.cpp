// Control tips: the table, the markup, one tip at a time; and the help file.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/ProgramPaths.h"
#include "support/TestSupport.h"
#include "ui/Tips.h"

namespace tess {
namespace {

TEST(TipText, LooksUpWithoutRegardToCase) {
    struct Case {
        const wchar_t* key;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"frmLocalFileBrowse.CmdOk", L"<br>Commit your selection<br>"},
        {L"FRMLOCALFILEBROWSE.CMDOK", L"<br>Commit your selection<br>"},
        {L"frmadvancedbackup.cmdsqlserverbackup",
         L"<br>Transfer your SQL Server databases to the <br>external device shipped by Ostrova.<br>"},
        {L"frmSQLSvrLogin.CmdSQLCancel", L"<br>Exit this screen  <br>"},
        {L"frmLocalFileBrowse.CmdNope", L""},
        {L"CmdOk", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key);
        EXPECT_EQ(TipText(c.key), c.text);
    }
}

TEST(TipText, TheLoginTipIsItsFivePartsInOrder) {
    EXPECT_EQ(TipText(L"frmSQLSvrLogin.CmdSQLLogin"),
              L"<br>Connect to the selected MS SQL Server instance.<br><br>"
              L"<b>Windows Authentication Mode</b>  <br><br>"
              L"Use your Windows user authentication to authenticate with your MS SQL Server. <br><br>"
              L"<b>Mixed Mode (Windows Authentication and MS SQL Server Authentication)</b>  <br><br>"
              L"Use your MS SQL Server Authentication or the Windows User Authentication to <br>authenticate with "
              L"your MS SQL Server.< br >");
}

TEST(TipMarkup, BreaksBoldAndTheTablesSpacing) {
    auto lines = ParseTipMarkup(TipText(L"frmSQLSvrLogin.CmdSQLLogin"));
    ASSERT_EQ(lines.size(), 10u);
    ASSERT_EQ(lines[0].size(), 1u);
    EXPECT_EQ(lines[0][0].text, L"Connect to the selected MS SQL Server instance.");
    EXPECT_TRUE(lines[1].empty());
    ASSERT_EQ(lines[2].size(), 1u);
    EXPECT_EQ(lines[2][0].text, L"Windows Authentication Mode");
    EXPECT_TRUE(lines[2][0].bold);
    EXPECT_FALSE(lines[4][0].bold);
    // "< br >" at the very end is a break too, not text.
    EXPECT_EQ(lines[8][0].text, L"Use your MS SQL Server Authentication or the Windows User Authentication to");
    EXPECT_EQ(lines[9][0].text, L"authenticate with your MS SQL Server.");

    auto mixed = ParseTipMarkup(L"a <b>bold</b> word<BR>x < y");
    ASSERT_EQ(mixed.size(), 2u);
    ASSERT_EQ(mixed[0].size(), 3u);
    EXPECT_EQ(mixed[0][1].text, L"bold");
    EXPECT_TRUE(mixed[0][1].bold);
    EXPECT_EQ(mixed[0][2].text, L" word");
    EXPECT_EQ(mixed[1][0].text, L"x < y");  // a lone "<" is text
    EXPECT_TRUE(ParseTipMarkup(L"").empty());
}

TEST(TipWindow, OneAtATimeShownByTheRightButtonHiddenByAnyOther) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ShowOrHideTip(2, TipText(L"frmExchange.CmdCancel"), owner);
    HWND first = CurrentTipWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetWindow(first, GW_OWNER), owner);
    ShowOrHideTip(2, L"", owner);  // a button without a tip shows an empty one, replacing the first
    HWND second = CurrentTipWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(first));
    ShowOrHideTip(1, L"ignored", owner);
    EXPECT_EQ(CurrentTipWindow(), nullptr);
    EXPECT_FALSE(IsWindow(second));
    HideTip();  // nothing to hide is fine
    DestroyWindow(owner);
}

TEST(HelpFile, TheTopicsOfTheMainWindowAreInTheBuiltHelpFile) {
    SetProgramFolderForTesting(test::BuildBinFolder());
    for (const wchar_t* topic : {L"TessaronHelp.chm::/Tessaron.htm", L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm",
                                 L"TessaronHelp.chm::/MS_Exchange_Server_Backup.htm"}) {
        SCOPED_TRACE(testing::Message() << topic);
        HWND help = ShowHelpFile(nullptr, topic);
        EXPECT_NE(help, nullptr);
        CloseHelpWindows();
        EXPECT_TRUE(test::WaitFor([&] { return !IsWindow(help); }, 10000));
    }
    // A help file that is not there opens nothing.
    SetProgramFolderForTesting(L"C:\\");
    EXPECT_EQ(ShowHelpFile(nullptr, L"TessaronHelp.chm::/Tessaron.htm"), nullptr);
    SetProgramFolderForTesting(L"");
}

}  // namespace
}  // namespace tess
