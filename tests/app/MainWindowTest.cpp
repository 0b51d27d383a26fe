// FrmAdvancedBackup, created for real in a program folder of its own and driven with messages;
// its control tips and the help file it opens.
// The missing component files and the close picture are the smoke test's, the Exchange refusals
// (399, 400) the Exchange end-to-end test's.
#include <gtest/gtest.h>

#include <tuple>
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

// Records which action started; the Exchange action as its detection (no Exchange here, so it
// stops at 399).
class RecordingMain : public FrmAdvancedBackup {
public:
    std::vector<std::string> calls;

protected:
    void openSqlWizard() override { calls.push_back("sql"); }
    void detectExchange() override { calls.push_back("exchange"); }
    bool exchangeInformationAvailable() override { return false; }
    void openExchangeWizard() override {}
    void runSharePointTransfer() override { calls.push_back("sharepoint"); }
};

// Sets the thread's own record of the keys held, which GetKeyState reads (posted keys do not
// change it).
void holdKeys(const std::vector<BYTE>& keys) {
    BYTE state[256] = {};
    for (BYTE key : keys) state[key] = 0x80;
    SetKeyboardState(state);
}

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
    EXPECT_EQ(main_.calls, (std::vector<std::string>{"sql", "sharepoint", "exchange"}));
}

TEST(ExchangeVersionMessage, RefusesUnsupportedVersionsAndOldExchange2000Builds) {
    const std::tuple<const wchar_t*, const wchar_t*, int> cases[] = {
        {L"2000", L"6248", 399}, {L"2000", L"6249", 0}, {L"2000", L"  ", 0}, {L"2013", L"", 0},
        {L" 2010 ", L"", 0},     {L"", L"", 399},       {L"2016", L"", 399}, {L"5.5", L"", 399},
    };
    for (const auto& [version, sp, message] : cases)
        EXPECT_EQ(ExchangeVersionMessage(version, sp), message) << "version '" << version << "' sp '" << sp << "'";
}

// What starts an action: Alt+S and Alt+E with or without Shift, and a click on a button with any
// mouse button but the right one, which shows the button's tip instead (the next click hides
// it). Ctrl with Alt (AltGr is Ctrl+Alt), a letter without Alt or another letter start nothing.
TEST_F(MainWindowTest, AltLettersWithOrWithoutShiftAndEveryMouseButtonButTheRightOneAct) {
    // what; keys held, the key or the press of the button on SQL Server (its release follows)
    // with its wParam; the action started
    const std::tuple<const char*, std::vector<BYTE>, UINT, WPARAM, const char*> inputs[] = {
        {"Alt+S", {}, WM_SYSKEYDOWN, 'S', "sql"},
        {"Alt+Shift+S", {VK_SHIFT}, WM_SYSKEYDOWN, 'S', "sql"},
        {"Alt+Shift+E", {VK_SHIFT}, WM_SYSKEYDOWN, 'E', "exchange"},
        {"Ctrl+Alt+S", {VK_CONTROL}, WM_SYSKEYDOWN, 'S', nullptr},
        {"AltGr+E", {VK_CONTROL, VK_MENU, VK_RMENU}, WM_SYSKEYDOWN, 'E', nullptr},
        {"E", {}, WM_KEYDOWN, 'E', nullptr},
        {"Alt+Q", {}, WM_SYSKEYDOWN, 'Q', nullptr},
        {"right", {}, WM_RBUTTONDOWN, MK_RBUTTON, nullptr},
        {"left", {}, WM_LBUTTONDOWN, MK_LBUTTON, "sql"},
        {"right", {}, WM_RBUTTONDOWN, MK_RBUTTON, nullptr},
        {"middle", {}, WM_MBUTTONDOWN, MK_MBUTTON, "sql"},
        {"side", {}, WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1), "sql"},
    };
    for (const auto& [what, held, message, wp, action] : inputs) {
        SCOPED_TRACE(what);
        const bool key = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        main_.calls.clear();
        holdKeys(held);
        if (key) {
            PostMessageW(main_.hwnd(), message, wp, message == WM_SYSKEYDOWN ? 0x20000001 : 1);  // bit 29: Alt
        } else {  // every button's release message follows its press message
            PostMessageW(main_.control(FrmAdvancedBackup::kIdSql), message, wp, MAKELPARAM(5, 5));
            PostMessageW(main_.control(FrmAdvancedBackup::kIdSql), message + 1, HIWORD(wp) << 16, MAKELPARAM(5, 5));
        }
        test::PumpThroughPreTranslate();
        holdKeys({});
        EXPECT_EQ(main_.calls, action ? std::vector<std::string>{action} : std::vector<std::string>{});
        EXPECT_TRUE(key || (CurrentTipWindow() != nullptr) == (message == WM_RBUTTONDOWN)) << "the tip";
    }
}

}  // namespace
}  // namespace tess
