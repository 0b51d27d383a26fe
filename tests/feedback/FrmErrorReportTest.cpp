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

namespace {

bool gConnected = true;
bool connected() { return gConnected; }

}  // namespace

TEST(FrmErrorReport1, ValidationAndTheConnectionCheckStopTheSend) {
    test::ScopedProgramFolder program;
    std::vector<std::wstring> shown;
    SetMessageHookForTesting([&](const MessageCall& call) {
        shown.push_back(std::to_wstring(call.icon) + L" " + call.text);
        return kResultOk;
    });
    SetConnectedStateForTesting(&connected);
    W window({});
    ASSERT_TRUE(window.createModeless(nullptr, SW_SHOWNOACTIVATE));
    struct Case {
        const wchar_t *from, *message;
        bool connected;
        int code;
        int icon;
        int focus;
    } cases[] = {
        {L"", L"", true, 12, kIconInformation, W::kFrom},  // the address first, even with no message
        {L" \t", L"hello", true, 12, kIconInformation, W::kFrom},
        {L"me@x.example", L"", true, 14, kIconInformation, W::kMessage},
        {L"me@x", L"hello", true, 500, kIconError, W::kFrom},
        {L"me@x.example", L"hello", false, 575, kIconError, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.from)));
        SetWindowTextW(window.control(W::kFrom), c.from);
        SetWindowTextW(window.control(W::kMessage), c.message);
        gConnected = c.connected;
        shown.clear();
        test::SendAltKey(window.hwnd(), 'S');
        EXPECT_EQ(shown, std::vector<std::wstring>{std::to_wstring(c.icon) + L" " + GetMessageText(c.code)});
        if (c.focus) {
            EXPECT_EQ(GetFocus(), window.control(c.focus));
        }
        EXPECT_FALSE(window.isControlShown(W::kProgress)) << "nothing was sent";
    }
    SetWindowTextW(window.control(W::kTicket), L" 42 ");
    EXPECT_EQ(WindowText(window.control(W::kSubject)), L"Tessaron Ticket : 42");

    test::SendAltKey(window.hwnd(), 'C');
    EXPECT_TRUE(window.isModalDone() || !IsWindow(window.hwnd()));
    SetConnectedStateForTesting(nullptr);
    SetMessageHookForTesting(nullptr);
}
