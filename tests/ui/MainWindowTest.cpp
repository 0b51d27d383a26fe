// FrmAdvancedBackup, created for real in a program folder of its own and driven with messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "common/Helpers.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "support/TestSupport.h"
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
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        pumpLikeTheApplication();
    }

    test::ScopedProgramFolder folder_{L"main"};
    std::vector<MessageCall> messages_;
    std::vector<std::wstring> topics_;
};

TEST_F(MainWindowTest, AnyMissingComponentFileGivesMessage576AndNoWindow) {
    const std::wstring text = GetMessageText(576);
    ASSERT_EQ(text, L"Some of the components are missing. Please Re-install the application.");
    for (const auto& name : componentFiles()) {
        SCOPED_TRACE(testing::Message() << name.c_str());
        const std::wstring path = folder_.path() + L"\\" + name;
        DeleteFileW(path.c_str());
        messages_.clear();
        {
            RecordingMain main;
            EXPECT_FALSE(main.create(nullptr));
            EXPECT_EQ(main.hwnd(), nullptr);
        }
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].text, text);
        EXPECT_EQ(messages_[0].icon, kIconInformation);
        EXPECT_EQ(messages_[0].buttons, kButtonsOk);
        EXPECT_EQ(messages_[0].caption, L"");  // the title is set only once the files are there
        EXPECT_EQ(FindByAutomationId(nullptr, L"FrmAdvancedBackup"), nullptr);
        test::WriteBytes(path, "stand-in");
    }
}

TEST_F(MainWindowTest, LoadsTitledWithTheThreeButtonsShownAndTheOthersHidden) {
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(ProgramTitle(), L"Tessaron");
    wchar_t title[64] = {};
    GetWindowTextW(main.hwnd(), title, 64);
    EXPECT_STREQ(title, L"Tessaron");
    EXPECT_EQ(FindByAutomationId(nullptr, L"FrmAdvancedBackup"), main.hwnd());
    struct Row {
        const wchar_t* name;
        bool shown;
    };
    for (auto [name, shown] : {Row{L"CmdSQLServerBackup", true}, Row{L"CmdExchangeServerBackup", true},
                               Row{L"CmdSharePointServerBackup", true}, Row{L"CmdOracleServerBackup", false},
                               Row{L"CmdSystemsateBackup", false}, Row{L"CmdExchageBrickLevelBackup", false},
                               Row{L"ImageEncHelp", true}, Row{L"picClose", true}, Row{L"lblCapbar", true},
                               Row{L"AppCaption", true}}) {
        SCOPED_TRACE(testing::Message() << name);
        HWND control = FindByAutomationId(main.hwnd(), name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ((GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0, shown);
    }
    // The buttons are stacked SQL, Exchange, SharePoint with one size.
    RECT sql, exchange, sharePoint;
    GetWindowRect(main.control(FrmAdvancedBackup::kIdSql), &sql);
    GetWindowRect(main.control(FrmAdvancedBackup::kIdExchange), &exchange);
    GetWindowRect(main.control(FrmAdvancedBackup::kIdSharePoint), &sharePoint);
    EXPECT_LT(sql.top, exchange.top);
    EXPECT_LT(exchange.top, sharePoint.top);
    EXPECT_EQ(sql.right - sql.left, sharePoint.right - sharePoint.left);
    EXPECT_EQ(sql.left, exchange.left);
}

TEST_F(MainWindowTest, AltSAndAltEStartTheirActionsAndNothingElseDoes) {
    Trf_WriteUserProfile(L"ExchVersion", L"2010");
    struct Case {
        UINT message;
        WPARAM key;
        LPARAM flags;
        const char* action;  // "" for none
    };
    const Case cases[] = {
        {WM_SYSKEYDOWN, 'S', 0x20000001, "sql"},
        {WM_SYSKEYDOWN, 'E', 0x20000001, "exchange"},
        {WM_KEYDOWN, 'S', 1, ""},           // S without Alt
        {WM_KEYDOWN, 'E', 1, ""},
        {WM_SYSKEYDOWN, 'P', 0x20000001, ""},
        {WM_SYSKEYDOWN, 'X', 0x20000001, ""},
        {WM_SYSKEYDOWN, VK_F10, 1, ""},     // F10 is a system key without Alt
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " message " << c.message);
        RecordingMain main;
        main.exchangeAvailable = true;
        ASSERT_TRUE(main.create(nullptr));
        // Sent to a button, as when a control has the focus: the window still sees it first.
        PostMessageW(main.control(FrmAdvancedBackup::kIdSharePoint), c.message, c.key, c.flags);
        pumpLikeTheApplication();
        std::vector<std::string> expected;
        if (*c.action) expected.push_back(c.action);
        EXPECT_EQ(main.calls, expected);
    }
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
    const Case cases[] = {
        {L"2000", L"6248", true, 399},
        {L"", L"", true, 399},
        {L"2000", L"6249", false, 400},
        {L"2007", L"", true, 0},
    };
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

TEST_F(MainWindowTest, TheHelpImageOpensThePopUpMenuWithItsTwoItems) {
    RecordingMain main;
    ASSERT_TRUE(main.createModeless(nullptr));
    static std::vector<std::wstring> items;
    items.clear();
    // The menu runs its own loop: a timer of this thread reads the menu on screen and closes it.
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND menuWindow = FindWindowW(L"#32768", nullptr);
        if (!menuWindow) return;
        KillTimer(nullptr, id);
        auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
            items.push_back(text);
        }
        EndMenu();
    });
    leftClick(main.control(FrmAdvancedBackup::kIdHelpImage));
    KillTimer(nullptr, timer);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Help", L"Send Error Report"}));
    EXPECT_TRUE(main.calls.empty());
}

TEST_F(MainWindowTest, TheClosePictureEndsTheWindow) {
    RecordingMain main;
    ASSERT_TRUE(main.create(nullptr));
    leftClick(main.control(FrmAdvancedBackup::kIdClose));
    EXPECT_EQ(main.hwnd(), nullptr);
}

}  // namespace
}  // namespace tess
