// The report window's checks before a send: the fields' rules as values, then the window.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/MessageCatalog.h"
#include "feedback/FrmErrorReport1.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/MessageBox.h"

using namespace tess;
using namespace tess::feedback;
using W = FrmErrorReport1;

TEST(FrmErrorReport1, FieldRulesBeforeASend) {
    struct Case {
        const wchar_t *from, *message;
        int code, icon;
        bool focusMessage;
    } cases[] = {
        {L"", L"", 12, kIconInformation, false},  // the address first, even with no message
        {L" \t", L"hello", 12, kIconInformation, false},
        {L"me@x.example", L"", 14, kIconInformation, true},
        {L"me@x", L"hello", 500, kIconError, false},
        {L"me@x.example", L"hello", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.from)));
        const Validation v = ValidateFields(c.from, c.message);
        EXPECT_EQ(v.message, c.code);
        EXPECT_EQ(v.icon, c.icon);
        EXPECT_EQ(v.focusMessage, c.focusMessage);
    }
}

// The window shows what stops a send (a refused field, then no connection), puts the focus where
// the user has to act, and sends nothing.
TEST(FrmErrorReport1, ARefusedOrOfflineSendShowsWhyAndSendsNothing) {
    test::ScopedProgramFolder program;
    std::vector<std::wstring> shown;
    SetMessageHookForTesting([&](const MessageCall& call) {
        shown.push_back(std::to_wstring(call.icon) + L" " + call.text);
        return kResultOk;
    });
    SetConnectedStateForTesting([] { return false; });
    W window({});
    ASSERT_TRUE(window.createModeless(nullptr, SW_SHOWNOACTIVATE));
    SetWindowTextW(window.control(W::kMessage), L"hello");
    SetWindowTextW(window.control(W::kFrom), L" me@x ");
    SetFocus(window.control(W::kMessage));
    test::SendAltKey(window.hwnd(), 'S');  // not an address
    EXPECT_EQ(GetFocus(), window.control(W::kFrom));
    SetWindowTextW(window.control(W::kFrom), L" me@x.example ");
    test::SendAltKey(window.hwnd(), 'S');
    const std::wstring error = std::to_wstring(kIconError) + L" ";
    EXPECT_EQ(shown, (std::vector<std::wstring>{error + GetMessageText(500), error + GetMessageText(575)}));
    EXPECT_FALSE(window.isControlShown(W::kProgress)) << "nothing was sent";
    SetWindowTextW(window.control(W::kTicket), L" 42 ");
    EXPECT_EQ(WindowText(window.control(W::kSubject)), L"Tessaron Ticket : 42");

    test::SendAltKey(window.hwnd(), 'C');
    EXPECT_TRUE(window.isModalDone() || !IsWindow(window.hwnd()));
    SetConnectedStateForTesting(nullptr);
    SetMessageHookForTesting(nullptr);
}
