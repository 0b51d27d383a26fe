// The Exchange transfer end to end: the real Tessaron.exe and the stand-in helpers in a program
// folder of the test's own, driven through their windows by the demo driver (the user scripts/demo
// plays), checked by the files they leave, the helpers' journal and the messages shown.
//
// They run in a demo machine (the ctest entry test_e2e_exchange_demo_machine prepares one): the
// destination is its removable drive E: (a full destination is the SQL end-to-end test's case).
// Each test installs the Exchange version it needs (exifs.sys or the esebcli2 library).
#include <gtest/gtest.h>

#include <tuple>

#include "common/Settings.h"
#include "e2e/EndToEnd.h"
#include "support/WindowDriving.h"

namespace tess::test {
namespace {

class ExchangeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        TESS_NEEDS_DEMO_MACHINE(!RemovableDrive(false).empty(), "a removable drive (ctest -R test_e2e_exchange_demo_machine)");
        ASSERT_TRUE(InstallProgramCopy(program_));
        demo(kExchangeDemo);
        destination_ = RemovableDrive(false) + L"\\TessExchE2E-" + std::to_wstring(GetCurrentProcessId());
    }

    void TearDown() override {
        for (const wchar_t* exe : {L"exchange_demo_driver.exe", L"Tessaron.exe", L"ostrovaExchBkp_tessaron.exe",
                                   L"ostrova64ExchBkp_tessaron.exe", L"ostrova2010ExchBkp_tessaron.exe"})
            EndProcesses(exe);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    void demo(const std::string& text) { WriteBytes(program_ + L"\\demo\\demo.ini", text); }

    DriverRun drive(const std::wstring& destination, const std::function<bool()>& during = nullptr) {
        return RunDriver(L"exchange_demo_driver", {program_, temporary_, destination}, dir_.file(L"driver.txt"), during);
    }

    std::wstring journal() const { return FromUTF8(ReadBytes(program_ + L"\\demo\\journal.txt")); }
    std::string report() const { return ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt"); }

    TempDir dir_{L"exe2e"};
    std::wstring program_ = dir_.path() + L"\\Tess Prog", temporary_ = dir_.path() + L"\\Exch Temp", destination_;
};

// Both forms of the helpers (a storage-group tree, a database list): the helper's set arrives
// byte for byte, and the store that fails is reported while the others still ship. Verified on
// the drive, the set leaves the temporary folder; KeepTemporaryDumps=1 keeps it there whole.
TEST_F(ExchangeEndToEnd, EachVersionShipsTheHelpersSetByteForByte) {
    const std::wstring set = L"\\OstrovaExchBackupset\\";
    // version, helper, files of the set, KeepTemporaryDumps
    const std::tuple<int, const wchar_t*, std::vector<const wchar_t*>, bool> cases[] = {
        {2003, L"ostrovaExchBkp_tessaron.exe",
         {L"First Storage Group\\Mailbox Store.edb", L"First Storage Group\\Public Store.edb", L"Second Group\\Archive.edb"}, true},
        {2007, L"ostrova64ExchBkp_tessaron.exe",
         {L"First Storage Group\\Mailbox Store.edb", L"First Storage Group\\Public Store.edb", L"Second Group\\Archive.edb"}, false},
        {2010, L"ostrova2010ExchBkp_tessaron.exe",
         {L"Mailbox Store\\Mailbox Store.edb", L"Archive\\Archive.edb"}, true},
    };
    for (const auto& [version, helper, files, keep] : cases) {
        SCOPED_TRACE(version);
        InstallExchange(version);
        Trf_WriteUserProfile(L"KeepTemporaryDumps", keep ? L"1" : L"0");
        DeleteFileW((program_ + L"\\demo\\journal.txt").c_str());
        DeleteFolderTree(temporary_);
        DeleteFolderTree(destination_);
        // What an earlier run left in the temporary folder is not this run's to ship.
        CreateDirectoryW(temporary_.c_str(), nullptr);
        CreateDirectoryW((temporary_ + set).c_str(), nullptr);
        WriteBytes(temporary_ + set + L"Earlier.edb", "an earlier run's store");
        const DriverRun run = drive(destination_);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        for (const wchar_t* file : files) {
            SCOPED_TRACE(file);
            const std::string shipped = ReadBytes(destination_ + set + file);
            EXPECT_GT(shipped.size(), 1000u);
            if (keep) {
                EXPECT_EQ(ReadBytes(temporary_ + set + file), shipped);
            }
        }
        if (keep) {
            EXPECT_EQ(ReadBytes(destination_ + set + L"ExchBackupINI.ini"), ReadBytes(temporary_ + set + L"ExchBackupINI.ini"));
        } else {
            EXPECT_FALSE(PathExists(temporary_ + set));  // its files and its emptied folders
        }
        EXPECT_EQ(Trf_ReadUserProfile(L"ExchVersion"), std::to_wstring(version));

        // The helper of the version ran; its lines' layout is the logic test's (ExchangeLogicTest).
        EXPECT_NE(journal().find(std::wstring(helper) + L"\" 1"), std::wstring::npos) << journal();

        const std::string text = report();
        EXPECT_NE(text.find("data transfer of database 'Broken Store' failed: The store is dismounted."), std::string::npos)
            << text;
        EXPECT_FALSE(PathExists(destination_ + set + L"Second Group\\Broken Store.edb"));
        EXPECT_FALSE(PathExists(destination_ + set + L"Earlier.edb"));
        EXPECT_NE(text.find("Completed Shipping database file  Archive.edb to " + ToAnsi(destination_)), std::string::npos);
    }
}

TEST_F(ExchangeEndToEnd, HangingHelperIsEndedByItsLimitAndByEsc) {
    InstallExchange(2010);
    // The store's fault acts in the backup run only: the presence and information runs answer.
    demo(std::string(kExchangeDemo) + "[Store:stuck]\r\nName=Stuck Store\r\nFault=hang\r\n");
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "limit");
        DeleteFileW((program_ + L"\\demo\\journal.txt").c_str());
        Trf_WriteUserProfile(L"ExchBackupWaitSeconds", byEsc ? L"600" : L"3");
        const DriverRun run = drive(destination_, [&] {
            if (!byEsc || journal().find(L"\tfault\thang") == std::wstring::npos) return false;
            const auto pids = ProcessIds(L"Tessaron.exe");
            HWND wizard = pids.empty() ? nullptr : FindTopWindow(pids[0], L"frmExchange");
            if (wizard) PostMessageW(wizard, WM_KEYDOWN, VK_ESCAPE, 0);
            return wizard != nullptr;
        });
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find(byEsc ? "was cancelled" : "did not finish within 3 seconds"), std::string::npos)
            << run.output;
        EXPECT_EQ(CountProcesses(L"ostrova2010ExchBkp_tessaron.exe"), 0u);
        EXPECT_FALSE(PathExists(destination_ + L"\\OstrovaExchBackupset"));
    }
}

// The presence helper's "no server" reaches the main window as 400 (the main window's test has
// each message from the settings; here the real helper writes them).
TEST_F(ExchangeEndToEnd, NoServerGives400) {
    InstallExchange(2007);
    demo("[Demo]\r\nJournal=journal.txt\r\n[Exchange]\r\nPresent=0\r\n");
    const DriverRun run = drive(destination_);
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("message: Unable to retrieve the information from the MS Exchange Server."),
              std::string::npos) << run.output;
}

}  // namespace
}  // namespace tess::test
