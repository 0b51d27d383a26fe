#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "common/MessageCatalog.h"
#include "feedback/FrmErrorReport1.h"
#include "feedback/ServerFixture.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

using namespace tess;
using namespace tess::feedback;
using W = FrmErrorReport1;

namespace {

struct Fields {
    const wchar_t* from;
    const wchar_t* ticket;
    const wchar_t* message;
};

void fill(W& window, const Fields& f) {
    SetWindowTextW(window.control(W::kFrom), f.from);
    SetWindowTextW(window.control(W::kTicket), f.ticket);
    SetWindowTextW(window.control(W::kMessage), f.message);
}

bool gConnected = true;
bool connected() { return gConnected; }

DWORD gLastTurn = 0, gLongestGap = 0;
void noteTurn() {
    const DWORD now = GetTickCount();
    if (gLastTurn) gLongestGap = std::max(gLongestGap, now - gLastTurn);
    gLastTurn = now;
}

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
        Fields fields;
        bool connected;
        int code;
        int icon;
        int focus;
    } cases[] = {
        {{L"", L"", L""}, true, 12, kIconInformation, W::kFrom},  // the address first, even with no message
        {{L" \t", L"", L"hello"}, true, 12, kIconInformation, W::kFrom},
        {{L"me@x.example", L"", L""}, true, 14, kIconInformation, W::kMessage},
        {{L"me@x", L"", L"hello"}, true, 500, kIconError, W::kFrom},
        {{L"me@x.example", L"", L"hello"}, false, 575, kIconError, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.fields.from)));
        fill(window, c.fields);
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
    SetWindowTextW(window.control(W::kTicket), L"");
    EXPECT_EQ(WindowText(window.control(W::kSubject)), L"Ostrova - Tessaron user feedback");

    test::SendAltKey(window.hwnd(), 'C');
    EXPECT_TRUE(window.isModalDone() || !IsWindow(window.hwnd()));
    SetConnectedStateForTesting(nullptr);
    SetMessageHookForTesting(nullptr);
}

using FeedbackServerWindow = test::FeedbackServerFixture;

TEST_F(FeedbackServerWindow, SendsTheWholeReportAndSaysSo) {
    writeSettings(L"TRUSTED", 20);
    test::WriteBytes(program_.common(L"Log_trace.txt"), "Information : shipped master.bak\r\n");
    W window({});
    ASSERT_TRUE(window.createModeless(nullptr, SW_SHOWNOACTIVATE));
    fill(window, {L" me@x.example ", L"7", L"first\r\nsecond"});
    test::SendAltKey(window.hwnd(), 'S');
    EXPECT_EQ(WindowText(window.control(W::kProgress)), L"Feedback report has been sent successfully.");
    const std::string json = lastReport(L"TRUSTED").json;
    for (const char* part : {"\"SUBJECT\": \"Tessaron Ticket : 7\"", "\"user_email\": \"me@x.example\"",
                             "\"CONTENT\": \"<<< USER FEEDBACK FROM TESSARON version >>>Version: ",
                             "User's e-mail address:  me@x.example \\r\\n",
                             "suggestions:\\r\\n\\r\\n\\r\\nfirst\\nsecond\\n\\r\\n\\r\\n----------Log_trace-------------"
                             "\\r\\nInformation : shipped master.bak\\n\\n",
                             "Language for non-Unicode programs:\\r\\nLocale ID: ", "\\r\\n\\r\\nRelease date : 05/26/2011\""}) {
        EXPECT_NE(json.find(part), std::string::npos) << part;
    }
}

TEST_F(FeedbackServerWindow, ASilentServerFailsAtTheTimeLimitWhileTheWindowKeepsPainting) {
    writeSettings(L"SILENT", 2);
    W window({});
    ASSERT_TRUE(window.createModeless(nullptr, SW_SHOWNOACTIVATE));
    fill(window, {L"me@x.example", L"", L"hello"});
    gLastTurn = gLongestGap = 0;
    SetPumpTurnHook(&noteTurn);
    const auto start = std::chrono::steady_clock::now();
    test::SendAltKey(window.hwnd(), 'S');
    const auto took = std::chrono::steady_clock::now() - start;
    SetPumpTurnHook(nullptr);
    EXPECT_EQ(WindowText(window.control(W::kProgress)), L"Failed to send the feedback report.");
    EXPECT_LT(took, std::chrono::milliseconds(4000));
    EXPECT_LT(gLongestGap, 500u);
    EXPECT_TRUE(IsWindowEnabled(window.control(W::kSend))) << "the window is usable again";
    EXPECT_NE(test::ReadBytes(program_.common(L"VXWLogFile.txt")).find("did not answer within 2 seconds"),
              std::string::npos);
}
