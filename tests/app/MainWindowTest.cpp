// FrmAdvancedBackup, created for real in a program folder of its own and driven with messages;
// its control tips and the help file it opens.
// The missing component files and the close picture are the smoke test's, the Exchange refusals
// (399, 400) the Exchange end-to-end test's.
#include <gtest/gtest.h>

#include <vector>

#include "app/MainWindow.h"
#include "common/ComponentFiles.h"
#include "common/ProgramPaths.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Tips.h"

namespace tess {
namespace {

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

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
            for (auto name = list; *name; ++name) test::WriteBytes(folder_.path() + L"\\" + *name, "stand-in");
        SetHelpHookForTesting([this](HWND, const std::wstring& topic) { topics_.push_back(topic); });
        SetHelpMenuHookForTesting([](HWND) { return HelpMenuItem::kHelpTopics; });
        ASSERT_TRUE(main_.create(nullptr));
    }
    void TearDown() override {
        SetHelpHookForTesting(nullptr);
        SetHelpMenuHookForTesting(nullptr);
        HideTip();
        SetProgramTitle(L"");
    }
    void leftClick(int id) {
        test::PostClick(main_.control(id));
        test::PumpThroughPreTranslate();
    }

    test::ScopedProgramFolder folder_{L"main"};
    test::RecordedMessages messages_;  // 399: no Exchange here
    std::vector<std::wstring> topics_;
    RecordingMain main_;
};

TEST_F(MainWindowTest, TheHelpTopicFollowsTheLastTransferChosen) {
    const std::pair<int, const wchar_t*> steps[] = {
        {0, L"Tessaron.htm"},
        {FrmAdvancedBackup::kIdSql, L"MS_SQL_Server_Backup.htm"},
        {FrmAdvancedBackup::kIdSharePoint, L"MS_SQL_Server_Backup.htm"},  // leaves the context alone
        {FrmAdvancedBackup::kIdExchange, L"MS_Exchange_Server_Backup.htm"},
    };
    for (const auto& [button, topic] : steps) {
        if (button) leftClick(button);
        topics_.clear();
        leftClick(FrmAdvancedBackup::kIdHelpImage);
        EXPECT_EQ(topics_, std::vector<std::wstring>{std::wstring(L"TessaronHelp.chm::/") + topic});
    }
    EXPECT_EQ(main_.calls, (std::vector<std::string>{"sql", "sharepoint"}));  // no Exchange found

}

TEST(ExchangeVersionMessage, RefusesUnsupportedVersionsAndOldExchange2000Builds) {
    const std::tuple<const wchar_t*, const wchar_t*, int> cases[] = {
        {L"2000", L"6248", 399}, {L"2000", L"6249", 0}, {L"2000", L"  ", 0}, {L"2013", L"", 0},
        {L" 2010 ", L"", 0},     {L"", L"", 399},       {L"2016", L"", 399}, {L"5.5", L"", 399},
    };
    for (const auto& [version, sp, message] : cases)
        EXPECT_EQ(ExchangeVersionMessage(version, sp), message) << "version '" << version << "' sp '" << sp << "'";
}

// A right click shows the button's tip (replacing any other) and does not act; a left click
// hides it and acts.
TEST_F(MainWindowTest, ARightClickShowsTheTipAndDoesNotActALeftClickHidesItAndActs) {
    auto rightClick = [&](int id) {
        PostMessageW(main_.control(id), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        PostMessageW(main_.control(id), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        test::PumpThroughPreTranslate();
        return CurrentTipWindow();
    };
    HWND first = rightClick(FrmAdvancedBackup::kIdExchange);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(rightClick(FrmAdvancedBackup::kIdSql), nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(main_.calls.empty());

    leftClick(FrmAdvancedBackup::kIdSql);
    EXPECT_EQ(CurrentTipWindow(), nullptr);
    EXPECT_EQ(main_.calls, std::vector<std::string>{"sql"});
}

}  // namespace
}  // namespace tess
