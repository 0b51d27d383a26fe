// Contract tests of the four Exchange helpers with the program's command lines. The runs of the
// 2003, 2007 and 2010 helpers (each line form, a server that is not there, a failing store, a
// hang) are the Exchange end-to-end test's; here, what it does not reach.
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
    "[Exchange]\r\nServer=EXCH1\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n"
    "[Store:a]\r\nGroup=sg1\r\nName=Mailbox Store (EXCH1)\r\nSize=300000\r\n"
    "[Store:d]\r\nName=Mailbox Database 0815\r\nSize=70000\r\n";

const wchar_t* const kHelpers[] = {L"ostrovaExchBkp_tessaron.exe", L"ostrova64ExchBkp_tessaron.exe",
                                   L"ostrova2010ExchBkp_tessaron.exe", L"ostrova2013ExchBkp_tessaron.exe"};

}  // namespace

// Each helper answers the line the program asks with (presence "3" before 2010, information "0"
// with the line's backslashes doubled from 2010 on) in ExchTreeInfo.ini; whatever goes wrong is
// explained in ExchBkpError.txt, and an information run that finds nothing still answers, so that
// no older answer is left standing.
TEST(ExchangeHelpers, EachHelperAnswersItsLineOrExplainsWhy) {
    const std::string failing = std::string(kDemo) + "[Faults]\r\nostrova64ExchBkp_tessaron=fail:Information store not running.\r\n";
    // demo description, helper, arguments; exit code, a part of the reason, the answer ("1", "0", or
    // none to check)
    const std::tuple<std::string, int, std::wstring, DWORD, std::string, std::string> cases[] = {
        {kDemo, 3, L"0", 0, "", "1"},
        {"[Demo]\r\nComputerName=X\r\n", 1, L"3", 1, "no [Exchange] section", "0"},
        {failing, 1, L"3", 1, "Information store not running.", "0"},
        {kDemo, 1, L"7", 2, "unknown operation '7'", ""},
        {kDemo, 0, L"1C:\\nowhere\\", 1, "Cannot read the job list", ""},
    };
    for (const auto& [ini, helper, args, exitCode, reason, exchange] : cases) {
        SCOPED_TRACE(ToUTF8(kHelpers[helper]) + " " + ToUTF8(args) + " " + reason);
        Sandbox box(ini);
        const std::wstring exe = box.install(kHelpers[helper]);
        const std::wstring info = box.program() + L"\\ExchTreeInfo.ini";
        WriteBytes(info, std::string("[VXEXCHINFO]\r\nEXCHANGE=") + (exchange == "1" ? "0" : "1") + "\r\n");
        WriteBytes(box.common(L"Exchtreestatus.txt"), "1\r\n");
        std::wstring line = Quoted(exe) + L" " + args;
        if (helper >= 2) line = ReplaceAll(line, L"\\", L"\\\\");
        EXPECT_EQ(box.run(line), exitCode);
        EXPECT_NE(box.journal().find(L"\tcmd\t" + line + L"\r\n"), std::wstring::npos) << ToUTF8(box.journal());
        const std::string error = ReadBytes(box.common(L"ExchBkpError.txt"));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(error.empty(), reason.empty());
        if (exchange.empty()) continue;
        EXPECT_EQ(ProfileValue(info, "VXEXCHINFO", "EXCHANGE"), exchange);
        EXPECT_EQ(ReadBytes(box.common(L"Exchtreestatus.txt")), "2\r\n");
        const char* names = helper < 2 ? "EXCHInstanceNames" : "EXCHDatabaseNames";
        EXPECT_EQ(ProfileValue(info, "VXEXCHINFO", names).empty(), exchange == "0");
    }
}
