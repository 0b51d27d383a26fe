// The SharePoint tool: its job file and its end. Its window beside the program is the SharePoint
// end-to-end test's.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[SharePointContent:c1]\r\nName=WSS_Content\r\nSize=3 MB\r\n"
    "[SharePointContent:c2]\r\nName=WSS_Search\r\nSize=4000\r\n";

std::wstring lineFor(const Sandbox& box) {
    return Quoted(box.program() + L"\\OstrovaSharepoint.exe") + L" " +
           Quoted(L"DisplayTessaron/" + box.program() + L"\\VXCOMMON\\VXSharpointBkupSet.ini");
}

}  // namespace

// The program reads the result in the program folder once VXShpstatus.txt says 2.
TEST(SharePointTool, BacksUpToTheJobFilesFolderOrReportsWhyAndEnds) {
    // faults, a well-formed line; exit code, the start of the result, a part of the reason
    const std::tuple<std::string, bool, DWORD, std::string, std::string> cases[] = {
        {"", true, 0, "Completed\r\n", ""},
        {"[Faults]\r\nOstrovaSharepoint=fail:Farm is offline.\r\n", true, 1, "Failed: Farm is offline.\r\n", "Farm is offline."},
        {"", false, 2, "Failed: ", "Invalid request"},
    };
    for (const auto& [faults, wellFormed, exitCode, result, error] : cases) {
        SCOPED_TRACE(error);
        Sandbox box(std::string(kDemo) + faults);
        const std::wstring exe = box.install(L"OstrovaSharepoint.exe");
        const std::wstring destination = box.folder(L"E drive") + L"\\SharePoint";
        WriteBytes(box.common(L"VXSharpointBkupSet.ini"), ToAnsi(L"[Backup]\r\nDestination=" + destination + L"\r\n"));
        EXPECT_EQ(box.run(wellFormed ? lineFor(box) : Quoted(exe) + L" job.ini"), exitCode);
        EXPECT_EQ(ReadBytes(box.program() + L"\\VXSharepointstatus.txt").rfind(result, 0), 0u);
        EXPECT_EQ(ReadBytes(box.common(L"VXShpstatus.txt")), "2\r\n");
        EXPECT_NE(ReadBytes(box.common(L"SharePointError.txt")).find(error), std::string::npos);
        EXPECT_EQ(FileSize(destination + L"\\WSS_Content.bak").value_or(0), exitCode ? 0u : 3u << 20);
        EXPECT_EQ(FileSize(destination + L"\\WSS_Search.bak").value_or(0), exitCode ? 0u : 4000u);
    }
}
