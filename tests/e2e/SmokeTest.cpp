// The real Tessaron.exe, started as a user would, found and driven from this process by the
// AutomationId properties of its windows.
#include <gtest/gtest.h>

#include "e2e/EndToEnd.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace tess::test {
namespace {

TEST(Smoke, ShowsTheMainWindowRefusesASecondCopyAndEndsByTheClosePicture) {
    TempDir dir(L"e2e");
    ASSERT_TRUE(InstallProgramCopy(dir.path()));
    const std::wstring exe = dir.file(L"Tessaron.exe");
    StartedProgram first(exe);
    ASSERT_TRUE(first.started());
    HWND main = WaitForTopWindow(first.pid(), L"FrmAdvancedBackup", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(RemoteText(main), L"Tessaron");  // its three buttons are pressed by the demo-machine runs

    // A second copy ends by itself, silently, while the first runs.
    StartedProgram second(exe);
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(WaitFor([&] { return second.ended(); }, 30000));
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_FALSE(first.ended());

    PostClick(FindByAutomationId(main, L"picClose"));
    ASSERT_TRUE(WaitFor([&] { return first.ended(); }, 30000));
    EXPECT_EQ(first.exitCode(), 0u);
    SetProgramFolderForTesting(L"");
}

// The program as the setup or the MSI package installed it in a fresh prefix, and the setup,
// named through the environment by tests/installer/test-setup and test-msi (which names no setup:
// Windows Installer has no refusal of its own); the ordinary test run skips this.
TEST(Installed, StartsWithEveryComponentAndASetupRefusesWhileItRuns) {
    const wchar_t* exe = _wgetenv(L"TESS_INSTALLED_PROGRAM");
    const wchar_t* setup = _wgetenv(L"TESS_SETUP");
    if (!exe) GTEST_SKIP() << "run by tests/installer/test-setup and test-msi";
    StartedProgram program(exe);
    ASSERT_TRUE(program.started());
    HWND main = WaitForTopWindow(program.pid(), L"FrmAdvancedBackup", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindTopWindow(program.pid(), L"MesgBox"), nullptr);

    // Replacing the files of a running program would stop half-way: the silent setup gives up at once.
    if (setup) {
        StartedProgram upgrade(setup, L"/S");
        ASSERT_TRUE(upgrade.started());
        ASSERT_TRUE(WaitFor([&] { return upgrade.ended(); }, 30000));
        EXPECT_EQ(upgrade.exitCode(), 2u);
    }

    PostClick(FindByAutomationId(main, L"picClose"));
    ASSERT_TRUE(WaitFor([&] { return program.ended(); }, 30000));
    EXPECT_EQ(program.exitCode(), 0u);
}

}  // namespace
}  // namespace tess::test
