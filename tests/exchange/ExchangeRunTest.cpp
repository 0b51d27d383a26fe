// The Exchange run with the real stand-in helpers in a program folder of the test's own:
// presence, the backup by version, the shipped set, the run report, and helpers that fail or hang.
#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "exchange/ExchangeDetection.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRun.h"
#include "support/TestSupport.h"
#include "ui/MessageBox.h"

namespace tess::exchange {
namespace {

using test::ReadBytes;

class FakeView : public ExchangeRunView {
public:
    FakeView() {
        window_ = CreateWindowExW(0, L"STATIC", L"run", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~FakeView() override { DestroyWindow(window_); }
    void setRunning(bool running) override { running_ = running; }
    void setProgressText(const std::wstring& text, bool) override {
        if (!text.empty()) texts_.push_back(text);
    }
    void setProgressBarVisible(bool) override {}
    void setProgress(double percent) override { lastPercent_ = percent; }
    void focusTemporaryBrowse() override {}
    HWND window() const override { return window_; }

    HWND window_;
    bool running_ = false;
    double lastPercent_ = 0;
    std::vector<std::wstring> texts_;
};

constexpr char kDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\nJournal=journal.txt\r\n"
    "[Exchange]\r\nServer=DEMOSRV\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n"
    "[StorageGroup:sg2]\r\nName=Second Group\r\n"
    "[Store:mbx]\r\nGroup=sg1\r\nName=Mailbox Store\r\nSize=300 KB\r\n"
    "[Store:pub]\r\nGroup=sg1\r\nName=Public Store\r\nSize=70 KB\r\nFault=fail:The store is dismounted.\r\n"
    "[Store:arch]\r\nGroup=sg2\r\nName=Archive\r\nSize=1 MB\r\n";

class ExchangeRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"TESSARON_DEMO", nullptr);
        for (int version : {2003, 2007, 2010})
            ASSERT_TRUE(CopyFileW(JoinPath(test::BuildBinFolder(), HelperFor(version).executable).c_str(),
                                  JoinPath(program_.path(), HelperFor(version).executable).c_str(), FALSE));
        CreateDirectoryW(JoinPath(program_.path(), L"demo").c_str(), nullptr);
        demo(kDemo);
        EnsureCommonDataFolder();
        SetMessageHookForTesting([this](const MessageCall& call) {
            messages_.push_back(call.text);
            return call.buttons == kButtonsYesNo ? kResultNo : kResultOk;
        });
    }
    void TearDown() override {
        SetMessageHookForTesting(nullptr);
        for (int version : {2003, 2007, 2010}) FindProcess(HelperFor(version).executable, true, 6);
    }
    void demo(const std::string& text) { test::WriteBytes(program_.path() + L"\\demo\\demo.ini", text); }
    std::string journal() const { return ReadBytes(program_.path() + L"\\demo\\journal.txt"); }

    ExchangeRunArgs args(int version, std::vector<std::wstring> selection) {
        Trf_WriteUserProfile(L"ExchVersion", std::to_wstring(version));
        ExchangeRunArgs a;
        a.exchVersion = version;
        a.selection = std::move(selection);
        a.temporaryPath = work_.file(L"temp");
        a.destination = work_.file(L"dest");
        a.view = &view_;
        return a;
    }

    test::ScopedProgramFolder program_{L"exch"};
    test::TempDir work_{L"exw"};
    FakeView view_;
    std::vector<std::wstring> messages_;
};

TEST_F(ExchangeRunTest, ShipsTheSetOfEachVersionByteForByte) {
    const std::wstring admin = L"DEMOSRV\\First Administrative Group\\";
    struct Case {
        int version;
        std::vector<std::wstring> selection;
        std::vector<const wchar_t*> shipped;
    } cases[] = {
        {2003, {admin + L"First Storage Group\\", admin + L"Second Group\\Archive"},
         {L"First Storage Group\\Mailbox Store.edb", L"Second Group\\Archive.edb", L"ExchBackupINI.ini"}},
        {2007, {admin + L"First Storage Group\\Public Store", admin + L"Second Group\\"},
         {L"Second Group\\Archive.edb", L"ExchBackupINI.ini"}},
        {2010, {L"Mailbox Store", L"Public Store"}, {L"Mailbox Store\\Mailbox Store.edb", L"ExchBackupINI.ini"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        DeleteFolderTree(work_.path());
        CreateDirectoryW(work_.path().c_str(), nullptr);
        messages_.clear();
        clsExchange exchange;
        EXPECT_EQ(exchange.IsExchange(), 1);

        const ExchangeRunResult result = CmdNext(args(c.version, c.selection));
        EXPECT_TRUE(result.askedToView);
        EXPECT_EQ(result.shipped, static_cast<int>(c.shipped.size()));
        EXPECT_FALSE(view_.running_);
        const std::wstring set = L"\\OstrovaExchBackupset\\";
        for (const wchar_t* file : c.shipped) {
            SCOPED_TRACE(file);
            const std::string sent = ReadBytes(work_.file(L"temp") + set + file);
            EXPECT_FALSE(sent.empty());
            EXPECT_EQ(ReadBytes(work_.file(L"dest") + set + file), sent);
        }
        const std::string report = ReadBytes(program_.common(L"Log_trace.txt"));
        EXPECT_NE(report.find("data transfer of database 'Public Store' failed"), std::string::npos) << report;
        EXPECT_NE(report.find("Completed Shipping database file  ExchBackupINI.ini to "), std::string::npos);
        EXPECT_EQ(report.find("backup"), std::string::npos);
        EXPECT_FALSE(FileExists(program_.common(L"logs\\VXExchangeServerBkset.txt")));
    }
    // The helper received exactly the lines the program built (the last run: 2010).
    BackupCommandInput input{2010, ShortPath(program_.path()) + L"\\", program_.path(),
                             ShortPath(work_.file(L"temp")) + L"\\"};
    EXPECT_NE(FromUTF8(journal()).find(L"\tcmd\t" + BackupCommandLine(input) + L"\r\n"), std::wstring::npos);
}

TEST_F(ExchangeRunTest, NoServerGivesZeroPresence) {
    demo("[Demo]\r\nComputerName=DEMOSRV\r\n[Exchange]\r\nPresent=0\r\n");
    Trf_WriteUserProfile(L"ExchVersion", L"2007");
    EXPECT_EQ(clsExchange().IsExchange(), 0);
}

TEST_F(ExchangeRunTest, HangingHelperIsEndedByItsLimitOrByEsc) {
    demo(std::string(kDemo) + "[Faults]\r\nostrova64ExchBkp_tessaron=hang\r\n");
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "limit");
        messages_.clear();
        ExchangeRunArgs a = args(2007, {L"DEMOSRV\\First Administrative Group\\Second Group\\"});
        a.helperTimeoutMs = byEsc ? 60000 : 1000;
        // The user presses Esc while the helper runs.
        static HWND target;
        target = view_.window();
        const UINT_PTR timer = byEsc ? SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0);
        }) : 0;
        const ExchangeRunResult result = CmdNext(a);
        if (timer) KillTimer(nullptr, timer);
        EXPECT_EQ(result.cancelled, byEsc);
        EXPECT_EQ(result.helperTimedOut, !byEsc);
        EXPECT_EQ(result.shipped, 0);
        EXPECT_FALSE(result.askedToView);
        EXPECT_FALSE(FindProcess(HelperFor(2007).executable, false, 6));
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_NE(messages_[0].find(byEsc ? L"cancelled" : L"did not finish within 1 second"), std::wstring::npos);
        EXPECT_FALSE(PathExists(work_.file(L"dest\\OstrovaExchBackupset")));
    }
}

TEST_F(ExchangeRunTest, InputChecksStopBeforeAnythingRuns) {
    struct Case {
        const wchar_t *temporary, *destination;
        bool selected;
        int message;
    } cases[] = {
        {L"E:\\x\\", L"E:\\x", true, 571},
        {L"", L"E:\\x", true, 573},
        {L"C:\\t", L"", true, 573},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ExchangeRunArgs a = args(2007, {L"x"});
        a.temporaryPath = c.temporary;
        a.destination = c.destination;
        EXPECT_EQ(CmdNext(a).messageCode, c.message);
    }
    ExchangeRunResult result;
    EXPECT_FALSE(DoExchangeBackup(args(2007, {}), &result));
    EXPECT_EQ(result.messageCode, 20);
    EXPECT_TRUE(journal().empty());
}

}  // namespace
}  // namespace tess::exchange

namespace tess::exchange {
namespace {

// The file tree greys what a backup set's inventory does not list, read from the real INI file.
TEST(ExchangeBackupSet, EntriesOutsideTheInventory) {
    test::TempDir set(L"set");
    test::WriteBytes(set.file(L"ExchBackupINI.ini"),
                     "[BACKEDUP STORAGE GROUPS]\r\nNOSG=1\r\nSG1=First Group\r\n"
                     "[BKP INFO OF->First Group]\r\nNODB=1\r\nDB1=Mailbox Store\r\n");
    struct Case {
        const wchar_t *group, *database;
        bool outside;
    } cases[] = {
        {L"FIRST GROUP", L"", false}, {L"Other Group", L"", true},
        {L"First Group", L"mailbox store", false}, {L"First Group", L"Public", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.group) + L"/" + c.database);
        EXPECT_EQ(OutsideExchangeBackupSet(set.path(), c.group, c.database), c.outside);
    }
    test::WriteBytes(set.file(L"ExchBackupINI.ini"), "[BACKEDUP STORAGE GROUPS]\r\nNOSG=0\r\n");
    EXPECT_FALSE(OutsideExchangeBackupSet(set.path(), L"Any", L""));
}

}  // namespace
}  // namespace tess::exchange
