// Contract tests of the four Exchange helpers with the program's command lines. The backup runs
// of the 2003 and 2010 helpers (one of each line form), a failing store and a hang are the
// Exchange end-to-end test's; here, what it does not reach.
#include <windows.h>

#include <gtest/gtest.h>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[Exchange]\r\nServer=EXCH1\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n"
    "[Store:a]\r\nGroup=sg1\r\nName=Mailbox Store (EXCH1)\r\nSize=300000\r\n"
    "[Store:d]\r\nName=Mailbox Database 0815\r\nSize=70000\r\n";

const wchar_t* const kHelpers[] = {L"ostrovaExchBkp_tessaron.exe", L"ostrova64ExchBkp_tessaron.exe",
                                   L"ostrova2010ExchBkp_tessaron.exe", L"ostrova2013ExchBkp_tessaron.exe"};

}  // namespace

// Each helper answers the line the program asks with (presence "3" before 2010, information "0"
// with the line's backslashes doubled from 2010 on) and writes the file the program reads.
TEST(ExchangeHelpers, EachHelperAnswersItsLineAndWritesTheTreeInfo) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(ToUTF8(kHelpers[i]));
        Sandbox box(kDemo);
        const std::wstring exe = box.install(kHelpers[i]);
        WriteBytes(box.common(L"Exchtreestatus.txt"), "1\r\n");
        const std::wstring line = i < 2 ? Quoted(exe) + L" 3" : ReplaceAll(Quoted(exe) + L" 0", L"\\", L"\\\\");
        EXPECT_EQ(box.run(line), 0u);
        EXPECT_NE(box.journal().find(L"\tcmd\t" + line + L"\r\n"), std::wstring::npos) << ToUTF8(box.journal());
        EXPECT_EQ(ReadBytes(box.common(L"Exchtreestatus.txt")), "2\r\n");
        const std::wstring ini = box.program() + L"\\ExchTreeInfo.ini";
        EXPECT_EQ(ProfileValue(ini, "VXEXCHINFO", "EXCHANGE"), "1");
        EXPECT_FALSE(ProfileValue(ini, "VXEXCHINFO", i < 2 ? "EXCHInstanceNames" : "EXCHDatabaseNames").empty());
    }
}

// Whatever goes wrong is explained in ExchBkpError.txt; an information run that finds nothing
// still answers, so that no older answer is left standing.
TEST(ExchangeHelpers, NoExchangeAFailureOrAMalformedLineIsExplained) {
    const std::string failing = std::string(kDemo) + "[Faults]\r\nostrova64ExchBkp_tessaron=fail:Information store not running.\r\n";
    struct Case {
        std::string ini;
        int helper;
        std::wstring args;
        DWORD exitCode;
        std::string error;
    } cases[] = {
        {"[Demo]\r\nComputerName=X\r\n", 1, L"3", 1, "no [Exchange] section"},
        {failing, 1, L"3", 1, "Information store not running."},
        {std::string(kDemo).replace(0, 11, "[Exchange]\r\nPresent=0\r\n"), 1, L"3", 0, ""},
        {kDemo, 1, L"7", 2, "unknown operation '7'"},
        {kDemo, 2, L"1 \"only-a-job.txt\"", 2, "Invalid request"},
        {kDemo, 0, L"1C:\\nowhere\\", 1, "Cannot read the job list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.args) + " " + c.error);
        Sandbox box(c.ini);
        const std::wstring exe = box.install(kHelpers[c.helper]);
        WriteBytes(box.program() + L"\\ExchTreeInfo.ini", "[VXEXCHINFO]\r\nEXCHANGE=1\r\n");
        EXPECT_EQ(box.run(Quoted(exe) + L" " + c.args), c.exitCode);
        const std::string error = ReadBytes(box.common(L"ExchBkpError.txt"));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.empty(), c.error.empty());
        if (c.args == L"3") {
            EXPECT_EQ(ProfileValue(box.program() + L"\\ExchTreeInfo.ini", "VXEXCHINFO", "EXCHANGE"), "0");
            EXPECT_EQ(ReadBytes(box.common(L"Exchtreestatus.txt")), "2\r\n");
        }
    }
}
