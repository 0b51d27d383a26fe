// Control tips: the lookup, the markup, one tip at a time; and the help file.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/ProgramPaths.h"
#include "support/TestSupport.h"
#include "ui/Tips.h"

namespace tess {
namespace {

TEST(TipText, LooksUpWindowAndButtonWithoutRegardToCase) {
    const std::wstring tip = TipText(L"frmLocalFileBrowse.CmdOk");
    EXPECT_FALSE(tip.empty());
    EXPECT_EQ(TipText(L"FRMLOCALFILEBROWSE.CMDOK"), tip);
    for (const wchar_t* missing : {L"frmLocalFileBrowse.CmdNope", L"CmdOk", L""}) {
        SCOPED_TRACE(testing::Message() << missing);
        EXPECT_EQ(TipText(missing), L"");
    }
}

TEST(TipMarkup, BreaksBoldAndLoneAngleBrackets) {
    auto lines = ParseTipMarkup(L"<br>a <b>bold</b> word<BR>x < y<br><br><b>Title</b>  < br >");
    ASSERT_EQ(lines.size(), 4u);
    ASSERT_EQ(lines[0].size(), 3u);
    EXPECT_EQ(lines[0][0].text, L"a ");
    EXPECT_FALSE(lines[0][0].bold);
    EXPECT_EQ(lines[0][1].text, L"bold");
    EXPECT_TRUE(lines[0][1].bold);
    EXPECT_EQ(lines[0][2].text, L" word");
    EXPECT_EQ(lines[1][0].text, L"x < y");  // a lone "<" is text
    EXPECT_TRUE(lines[2].empty());          // two breaks leave an empty line
    ASSERT_FALSE(lines[3].empty());
    EXPECT_EQ(lines[3][0].text, L"Title");  // "< br >" at the very end is a break too, not text
    EXPECT_TRUE(lines[3][0].bold);
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
