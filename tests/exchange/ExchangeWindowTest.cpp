// The Exchange wizard created for real in a program folder of its own, with the real stand-in
// helpers and a demo server, and driven with messages. The 2010/2013 database list is driven end
// to end (tests/e2e/ExchangeE2ETest.cpp).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/MessageCatalog.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRunSteps.h"
#include "exchange/FrmExchange.h"
#include "support/Recorders.h"
#include "transfer/EncryptedShipping.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/FileTree.h"
#include "ui/HelpMenu.h"
#include "ui/Shipping.h"
#include "ui/Tips.h"

namespace tess::test {
namespace {

using exchange::FrmExchange;

constexpr char kDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\nJournal=journal.txt\r\n"
    "[Exchange]\r\nServer=DEMOSRV\r\nAdminGroup=First Administrative Group\r\nPresent=1\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n[StorageGroup:sg2]\r\nName=Second Storage Group\r\n"
    "[Store:mbx]\r\nName=Mailbox Store\r\nGroup=sg1\r\nSize=64 KB\r\n"
    "[Store:pub]\r\nName=Public Store\r\nGroup=sg1\r\nSize=64 KB\r\n"
    "[Store:arc]\r\nName=Archive\r\nGroup=sg2\r\nSize=64 KB\r\n";

class ExchangeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCommonDataFolder();
        CreateDirectoryW(JoinPath(program_.path(), L"demo").c_str(), nullptr);
        WriteBytes(JoinPath(program_.path(), L"demo\\demo.ini"), kDemo);
    }
    void TearDown() override {
        SetHelpHookForTesting(nullptr);
        SetHelpMenuHookForTesting(nullptr);
        if (!helper_.empty()) WaitFor([&] { return !FindProcess(helper_, true, 6) || !FindProcess(helper_, false, 6); });
    }

    // The wizard of an Exchange version, loaded: the helper has described the demo server.
    void open(FrmExchange& window, const std::wstring& version) {
        helper_ = exchange::HelperFor(exchange::ExchVersionNumber(version)).executable;
        ASSERT_TRUE(CopyFileW(JoinPath(BuildBinFolder(), helper_).c_str(), JoinPath(program_.path(), helper_).c_str(), FALSE));
        Trf_WriteUserProfile(L"ExchVersion", version);
        ASSERT_TRUE(window.createModeless(nullptr));
        ASSERT_TRUE(WaitFor([&] { return window.loaded(); }, 30000));
    }

    void toggle(FrmExchange& window, size_t node) { ToggleTreeItem(window.control(FrmExchange::kTree), window.treeItem(node)); }

    std::wstring treeStates(FrmExchange& window) {
        std::wstring out;
        for (size_t i = 0; i < window.model().nodes.size(); ++i)
            out += NodeCheckState(window.control(FrmExchange::kTree), window.treeItem(i)) == kChecked ? L'x' : L'.';
        return out;
    }

    ScopedProgramFolder program_{L"exch"};
    std::wstring helper_;
    RecordedMessages messages_;
};

// The tick rules are StorageTreeTest's; here the window applies them to the control and shows
// the refusal.
TEST_F(ExchangeWindow, TreeRefusesTheServerAndSpreadsAStoresTick) {
    FrmExchange window;
    open(window, L"2003");
    EXPECT_EQ(treeStates(window), L"..xxxxx");  // server, level, SG1, Mailbox, Public, SG2, Archive
    toggle(window, 0);
    ASSERT_TRUE(WaitFor([&] { return messages_.calls.size() == 1 && treeStates(window) == L"..xxxxx"; }, 5000));
    EXPECT_EQ(messages_.calls[0].text, GetMessageText(23) + L"DEMOSRV" + GetMessageText(24));
    toggle(window, 3);
    EXPECT_TRUE(WaitFor([&] { return treeStates(window) == L"....xxx"; }, 5000)) << treeStates(window);
}

TEST_F(ExchangeWindow, EnterRunsTheLocalBackupAlone) {
    TempDir work(L"exw"), destination(L"exd");
    FrmExchange window;
    open(window, L"2003");
    SetWindowTextW(window.control(FrmExchange::kTemp), (work.path() + L"\\").c_str());
    SetWindowTextW(window.control(FrmExchange::kDestination), destination.path().c_str());
    MSG msg{};
    msg.hwnd = window.control(FrmExchange::kTree);
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_RETURN;
    ASSERT_TRUE(PreTranslateWindowMessage(msg));
    ASSERT_TRUE(WaitFor([&] { return window.lastRun().has_value(); }, 30000));

    const std::string journal = ReadBytes(JoinPath(program_.path(), L"demo\\journal.txt"));
    EXPECT_NE(journal.find("\" 1"), std::string::npos) << journal;  // the helper's backup ran
    EXPECT_TRUE(FolderExists(JoinPath(work.path(), L"OstrovaExchBackupset")));
    EXPECT_FALSE(PathExists(JoinPath(destination.path(), L"OstrovaExchBackupset")));  // nothing shipped
    EXPECT_TRUE(messages_.calls.empty());  // no report question
    ASSERT_TRUE(window.lastRun().has_value());
    EXPECT_TRUE(window.lastRun()->localOnly);
    EXPECT_TRUE(window.lastRun()->result.backupRan);
    EXPECT_EQ(window.lastRun()->reportPath, L"");
}

// Ticked with a certificate configured, the set goes to the drive as `.tenc` files whose key is
// wrapped for the certificate; the service's private key restores each byte for byte, and the
// report says for whom.
TEST_F(ExchangeWindow, EncryptedTransferWrapsTheKeyForTheConfiguredCertificate) {
    TempDir work(L"exw"), destination(L"exd");
    Trf_WriteUserProfile(L"EncryptShipments", L"1");
    Trf_WriteUserProfile(L"EncryptionCertificate", TestKeyFile(L"service.cer"));
    Trf_WriteUserProfile(L"KeepTemporaryDumps", L"1");
    FrmExchange window;
    open(window, L"2003");
    ASSERT_EQ(SendMessageW(window.control(FrmExchange::kEncrypt), BM_GETCHECK, 0, 0), BST_CHECKED);
    SetWindowTextW(window.control(FrmExchange::kTemp), (work.path() + L"\\").c_str());
    SetWindowTextW(window.control(FrmExchange::kDestination), destination.path().c_str());
    window.CmdNext_Click();
    ASSERT_TRUE(WaitFor([&] { return window.lastRun().has_value(); }, 60000));
    ASSERT_GT(window.lastRun()->result.shipped, 0);

    std::wstring reason;
    const auto key = UnwrapShipmentKey(ReadBytes(destination.file(L"Tessaron-KEYS.json")),
                                       {std::nullopt, TestKeyFile(L"service-key.pem")}, reason);
    ASSERT_TRUE(key) << ToUTF8(reason);
    const exchange::SetListing set = exchange::FindFilesAPI(JoinPath(work.path(), L"OstrovaExchBackupset"), L"*.*");
    ASSERT_EQ(static_cast<int>(set.files.size()), window.lastRun()->result.shipped);
    for (const auto& file : set.files) {
        const std::wstring shipped = destination.file(exchange::ShippedPart(file));
        SCOPED_TRACE(ToUTF8(shipped));
        EXPECT_FALSE(PathExists(shipped));
        ASSERT_TRUE(DecryptFileTo(shipped + L".tenc", work.file(L"restored"), *key).done);
        EXPECT_TRUE(ReadBytes(work.file(L"restored")) == ReadBytes(file));
        DeleteFileW(work.file(L"restored").c_str());
    }
    EXPECT_NE(ReadBytes(RunReportPath()).find("); its key is wrapped for the certificate"), std::string::npos);
}

// The window's own loop runs while the helper works: Esc there asks first, and Yes has the engine
// cancel, which ends the helper; nothing is shipped and the run ends as cancelled.
TEST_F(ExchangeWindow, EscDuringTheHelpersBackupEndsItThroughTheEngine) {
    TempDir work(L"exw"), destination(L"exd");
    WriteBytes(JoinPath(program_.path(), L"demo\\demo.ini"),
               std::string(kDemo) + "[Store:stuck]\r\nName=Stuck Store\r\nGroup=sg2\r\nFault=hang\r\n");
    FrmExchange window;
    open(window, L"2003");
    SetWindowTextW(window.control(FrmExchange::kTemp), (work.path() + L"\\").c_str());
    SetWindowTextW(window.control(FrmExchange::kDestination), destination.path().c_str());
    window.CmdNext_Click();
    const std::wstring journal = JoinPath(program_.path(), L"demo\\journal.txt");
    ASSERT_TRUE(WaitFor([&] { return ReadBytes(journal).find("\tfault\thang") != std::string::npos; }, 30000));
    EXPECT_FALSE(IsWindowEnabled(window.control(FrmExchange::kTransfer)));
    messages_.answer = kResultYes;
    PostMessageW(window.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return window.lastRun().has_value(); }, 30000));
    EXPECT_TRUE(window.lastRun()->result.cancelled);
    EXPECT_FALSE(FindProcess(helper_, false, 6));
    EXPECT_FALSE(PathExists(JoinPath(destination.path(), L"OstrovaExchBackupset")));
    ASSERT_EQ(messages_.codes().front(), 579);
    ASSERT_EQ(messages_.calls.size(), 2u);  // the question, the cancel, and no report question
    EXPECT_TRUE(IsWindowEnabled(window.control(FrmExchange::kTransfer)));
}

// lblHelp pops up the menu the main window hands over: its topic, and its report opened over the
// wizard.
TEST_F(ExchangeWindow, HelpPopsUpTheMenuItWasGiven) {
    std::vector<std::wstring> topics;
    std::vector<HWND> reportOwners;
    HelpMenuItem choice = HelpMenuItem::kNone;
    SetHelpHookForTesting([&](HWND, const std::wstring& topic) { topics.push_back(topic); });
    SetHelpMenuHookForTesting([&](HWND) { return choice; });
    exchange::ExchangeWizardArgs args;
    args.helpMenu = {L"TessaronHelp.chm::/Tessaron.htm", [&](HWND owner) { reportOwners.push_back(owner); }};
    FrmExchange window(args);
    open(window, L"2003");
    for (HelpMenuItem item : {HelpMenuItem::kHelpTopics, HelpMenuItem::kSendErrorReport}) {
        choice = item;
        Click(window.control(FrmExchange::kHelp));
    }
    EXPECT_EQ(topics, std::vector<std::wstring>{L"TessaronHelp.chm::/Tessaron.htm"});
    EXPECT_EQ(reportOwners, std::vector<HWND>{window.hwnd()});
}

}  // namespace
}  // namespace tess::test
