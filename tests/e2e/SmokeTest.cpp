// The real Tessaron.exe, started as a user would, found and driven from this process by the
// AutomationId properties of its windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace tess::test {
namespace {

const wchar_t* const kComponents[] = {L"ExchangeAPI.dll",  L"ostrova64ExchBkp_tessaron.exe",
                                      L"ostrovaExchBkp_tessaron.exe", L"ExchangeAPI64.dll",
                                      L"SQLSrvBackup.dll", L"vxsqldblist_tessaron.exe",
                                      L"ostrova_sqlbackup_tessaron.exe"};

// A copy of the program in a folder of its own, with or without one component file.
class ProgramCopy {
public:
    explicit ProgramCopy(const wchar_t* leaveOut = nullptr) : dir_(L"e2e") {
        CopyFileW((BuildBinFolder() + L"\\Tessaron.exe").c_str(), exe().c_str(), FALSE);
        for (const wchar_t* name : kComponents)
            if (!leaveOut || wcscmp(name, leaveOut) != 0) WriteBytes(dir_.file(name), "stand-in");
    }
    std::wstring exe() const { return dir_.file(L"Tessaron.exe"); }

private:
    TempDir dir_;
};

TEST(Smoke, ShowsTheMainWindowRefusesASecondCopyAndEndsByTheClosePicture) {
    ProgramCopy program;
    StartedProgram first(program.exe());
    ASSERT_TRUE(first.started());
    HWND main = WaitForTopWindow(first.pid(), L"FrmAdvancedBackup", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(RemoteText(main), L"Tessaron");
    for (const wchar_t* id : {L"CmdSQLServerBackup", L"CmdExchangeServerBackup", L"CmdSharePointServerBackup"}) {
        SCOPED_TRACE(testing::Message() << id);
        HWND button = FindByAutomationId(main, id);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(IsWindowVisible(button));
    }

    // A second copy ends by itself, silently, while the first runs.
    StartedProgram second(program.exe());
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(WaitFor([&] { return second.ended(); }, 30000));
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_FALSE(first.ended());

    PostClick(FindByAutomationId(main, L"picClose"));
    ASSERT_TRUE(WaitFor([&] { return first.ended(); }, 30000));
    EXPECT_EQ(first.exitCode(), 0u);
}

TEST(Smoke, AMissingComponentFileGivesMessage576AndTheProgramEndsWhenItIsClosed) {
    ProgramCopy program(L"vxsqldblist_tessaron.exe");
    StartedProgram process(program.exe());
    ASSERT_TRUE(process.started());
    HWND box = WaitForTopWindow(process.pid(), L"MesgBox", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(FindTopWindow(process.pid(), L"FrmAdvancedBackup"), nullptr);
    std::wstring text = RemoteText(FindByAutomationId(box, L"lblText")) + RemoteText(FindByAutomationId(box, L"lblSmallText"));
    EXPECT_NE(text.find(L"Some of the components are missing. Please Re-install the application."), std::wstring::npos);

    PostClick(FindByAutomationId(box, L"cmdButton0"));
    ASSERT_TRUE(WaitFor([&] { return process.ended(); }, 30000));
    EXPECT_EQ(FindTopWindow(process.pid(), L"FrmAdvancedBackup"), nullptr);
}

// The program as the setup installed it in a fresh prefix, and that setup, named through the
// environment by tests/installer/test-setup; the ordinary test run skips this.
TEST(Installed, StartsWithEveryComponentAndASetupRefusesWhileItRuns) {
    const wchar_t* exe = _wgetenv(L"TESS_INSTALLED_PROGRAM");
    const wchar_t* setup = _wgetenv(L"TESS_SETUP");
    if (!exe || !setup) GTEST_SKIP() << "run by tests/installer/test-setup";
    StartedProgram program(exe);
    ASSERT_TRUE(program.started());
    HWND main = WaitForTopWindow(program.pid(), L"FrmAdvancedBackup", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindTopWindow(program.pid(), L"MesgBox"), nullptr);

    // Replacing the files of a running program would stop half-way: the silent setup gives up at once.
    StartedProgram upgrade(setup, L"/S");
    ASSERT_TRUE(upgrade.started());
    ASSERT_TRUE(WaitFor([&] { return upgrade.ended(); }, 30000));
    EXPECT_EQ(upgrade.exitCode(), 2u);

    PostClick(FindByAutomationId(main, L"picClose"));
    ASSERT_TRUE(WaitFor([&] { return program.ended(); }, 30000));
    EXPECT_EQ(program.exitCode(), 0u);
}

}  // namespace
}  // namespace tess::test
