// FrmAdvancedBackup, created for real in a program folder of its own and driven with messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "common/Helpers.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/MessageBox.h"
#include "ui/Tips.h"

namespace tess {
namespace {

std::vector<std::wstring> componentFiles() {
    std::vector<std::wstring> names;
    for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
        for (auto p = list; *p; ++p) names.emplace_back(*p);
    return names;
}

class RecordingMain : public FrmAdvancedBackup {
public:
    std::vector<std::string> calls;
    bool exchangeAvailable = false;

protected:
    void openSqlWizard() override { calls.push_back("sql"); }
    // The settings the test writes stand for what detection found.
    void detectExchange() override {}
    bool exchangeInformationAvailable() override { return exchangeAvailable; }
    void openExchangeWizard() override { calls.push_back("exchange"); }
    void runSharePointTransfer() override { calls.push_back("sharepoint"); }
};

// Pumps like the application's loop does: keys go through the pre-translate step.
void pumpLikeTheApplication() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (PreTranslateWindowMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        SetProgramTitle(L"");
        for (const auto& name : componentFiles()) test::WriteBytes(folder_.path() + L"\\" + name, "stand-in");
        SetMessageHookForTesting([this](const MessageCall& call) {
            messages_.push_back(call);
            return kResultOk;
        });
        SetHelpHookForTesting([this](HWND, const std::wstring& topic) { topics_.push_back(topic); });
    }
    void TearDown() override {
        SetMessageHookForTesting(nullptr);
        SetHelpHookForTesting(nullptr);
        HideTip();
        SetProgramTitle(L"");
    }
    void leftClick(HWND control) {
        test::PostClick(control);
        pumpLikeTheApplication();
    }

    test::ScopedProgramFolder folder_{L"main"};
    std::vector<MessageCall> messages_;
    std::vector<std::wstring> topics_;
};

TEST_F(MainWindowTest, AnyMissingComponentFileGivesMessage576AndNoWindow) {
    for (const auto& name : componentFiles()) {
        SCOPED_TRACE(testing::Message() << name.c_str());
        const std::wstring path = folder_.path() + L"\\" + name;
        DeleteFileW(path.c_str());
        messages_.clear();
        RecordingMain main;
        EXPECT_FALSE(main.create(nullptr));
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, GetMessageText(576));
        EXPECT_EQ(messages_[0].caption, L"");  // the title is set only once the files are there
        test::WriteBytes(path, "stand-in");
    }
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    EXPECT_EQ(ProgramTitle(), L"Tessaron");
    for (int hidden : {FrmAdvancedBackup::kIdOracle, FrmAdvancedBackup::kIdSystemState, FrmAdvancedBackup::kIdBrickLevel})
        EXPECT_FALSE(main.isControlShown(hidden));
}

TEST_F(MainWindowTest, AltSAndAltEStartTheirActionsFromAFocusedButton) {
    Trf_WriteUserProfile(L"ExchVersion", L"2010");
    RecordingMain main;
    main.exchangeAvailable = true;
    ASSERT_TRUE(main.create(nullptr));
    // Sent to a button, as when a control has the focus: the window still sees it first.
    for (UINT key : {'S', 'E', 'P'}) test::PostAltKey(main.control(FrmAdvancedBackup::kIdSharePoint), key);
    PostMessageW(main.control(FrmAdvancedBackup::kIdSharePoint), WM_KEYDOWN, 'S', 1);  // S without Alt
    pumpLikeTheApplication();
    EXPECT_EQ(main.calls, (std::vector<std::string>{"sql", "exchange"}));
}

TEST_F(MainWindowTest, TheHelpTopicFollowsTheLastTransferChosen) {
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    auto helpTopic = [&] {
        topics_.clear();
        SendMessageW(main.hwnd(), WM_COMMAND, FrmAdvancedBackup::kIdMenuHelpTopics, 0);
        return topics_.size() == 1 ? topics_[0] : std::wstring(L"<none>");
    };
    EXPECT_EQ(helpTopic(), L"TessaronHelp.chm::/Tessaron.htm");
    leftClick(main.control(FrmAdvancedBackup::kIdSql));
    EXPECT_EQ(helpTopic(), L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm");
    leftClick(main.control(FrmAdvancedBackup::kIdSharePoint));  // leaves the context alone
    EXPECT_EQ(helpTopic(), L"TessaronHelp.chm::/MS_SQL_Server_Backup.htm");
    leftClick(main.control(FrmAdvancedBackup::kIdExchange));
    EXPECT_EQ(helpTopic(), L"TessaronHelp.chm::/MS_Exchange_Server_Backup.htm");
    EXPECT_EQ(main.calls, (std::vector<std::string>{"sql", "sharepoint"}));
}

TEST(ExchangeVersionMessage, RefusesUnsupportedVersionsAndOldExchange2000Builds) {
    struct Case {
        const wchar_t* version;
        const wchar_t* sp;
        int message;
    };
    const Case cases[] = {
        {L"2000", L"6248", 399}, {L"2000", L"6249", 0},  {L"2000", L"", 0},     {L"2000", L"  ", 0},
        {L"2003", L"1", 0},      {L"2007", L"", 0},      {L"2010", L"", 0},     {L"2013", L"", 0},
        {L"", L"", 399},         {L"2016", L"", 399},    {L" 2010 ", L"", 0},   {L"abc", L"", 399},
        {L"5.5", L"", 399},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version '" << c.version << "' sp '" << c.sp << "'");
        EXPECT_EQ(ExchangeVersionMessage(c.version, c.sp), c.message);
    }
}

TEST_F(MainWindowTest, ExchangeShows399Or400FromTheSettingsAndOpensTheWizardOnlyWhenAvailable) {
    struct Case {
        const wchar_t* version;
        const wchar_t* sp;
        bool available;
        int message;  // 0: the wizard opens
    };
    const Case cases[] = {{L"2000", L"6248", true, 399}, {L"2007", L"", false, 400}, {L"2007", L"", true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version '" << c.version << "' sp '" << c.sp << "'");
        Trf_WriteUserProfile(L"ExchVersion", c.version);
        Trf_WriteUserProfile(L"ExchSPNo", c.sp);
        messages_.clear();
        RecordingMain main;
        main.exchangeAvailable = c.available;
        ASSERT_TRUE(main.create(nullptr));
        main.exchangeAction();
        EXPECT_TRUE(main.exchangeChosen());
        if (c.message) {
            ASSERT_EQ(messages_.size(), 1u);
            EXPECT_EQ(messages_[0].text, GetMessageText(c.message));
            EXPECT_EQ(messages_[0].caption, L"Tessaron");
            EXPECT_TRUE(main.calls.empty());
        } else {
            EXPECT_TRUE(messages_.empty());
            EXPECT_EQ(main.calls, std::vector<std::string>{"exchange"});
        }
    }
}

TEST_F(MainWindowTest, ARightClickShowsTheTipAndDoesNotActALeftClickHidesItAndActs) {
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    HWND sql = main.control(FrmAdvancedBackup::kIdSql);
    PostMessageW(sql, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageW(sql, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    pumpLikeTheApplication();
    EXPECT_TRUE(main.calls.empty());
    EXPECT_NE(CurrentTipWindow(), nullptr);

    leftClick(sql);
    EXPECT_EQ(CurrentTipWindow(), nullptr);
    EXPECT_EQ(main.calls, std::vector<std::string>{"sql"});
}

TEST_F(MainWindowTest, TheClosePictureEndsTheWindow) {
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    leftClick(main.control(FrmAdvancedBackup::kIdClose));
    EXPECT_EQ(main.hwnd(), nullptr);
}

}  // namespace
}  // namespace tess
