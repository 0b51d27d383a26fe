// The control tips' markup and the help file the windows open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ProgramPaths.h"
#include "support/TestSupport.h"
#include "ui/Tips.h"

using namespace tess;

TEST(TipMarkup, BreaksBoldAndLoneAngleBrackets) {
    // Each line as its runs, bold ones in brackets.
    std::vector<std::wstring> lines;
    for (const auto& line : ParseTipMarkup(L"<br>a <b>bold</b> word<BR>x < y<br><br><b>Title</b>  < br >")) {
        lines.emplace_back();
        for (const auto& run : line) lines.back() += run.bold ? L"[" + run.text + L"]" : L"|" + run.text;
    }
    // A lone "<" is text, two breaks leave an empty line, "< br >" at the very end is a break.
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"|a [bold]| word", L"|x < y", L"", L"[Title]"}));
    EXPECT_TRUE(ParseTipMarkup(L"").empty());
}

TEST(HelpFile, OpensFromTheProgramFolderAndClosesWithTheProgram) {
    SetProgramFolderForTesting(test::BuildBinFolder());
    HWND help = ShowHelpFile(nullptr, L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm");
    EXPECT_NE(help, nullptr);
    CloseHelpWindows();
    EXPECT_TRUE(test::WaitFor([&] { return !IsWindow(help); }, 10000));
    // A help file that is not there opens nothing.
    SetProgramFolderForTesting(L"C:\\");
    EXPECT_EQ(ShowHelpFile(nullptr, L"TessaronHelp.chm::/Tessaron.htm"), nullptr);
    SetProgramFolderForTesting(L"");
}
