// The report window: what stops a send, and posts to the real notification servers of
// server-tests.sh (one the prefix trusts, one whose CA it does not know, one that never answers;
// those tests are skipped without them).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "feedback/FrmErrorReport1.h"
#include "feedback/NotificationClient.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/PumpWait.h"

using namespace tess;
using namespace tess::feedback;
using W = FrmErrorReport1;

namespace {

std::wstring env(const std::wstring& server, const wchar_t* what) {
    const wchar_t* value = _wgetenv((L"TESS_FEEDBACK_" + server + what).c_str());
    return value ? value : L"";
}

DWORD gLastTurn = 0, gLongestGap = 0;
void noteTurn() {
    const DWORD now = GetTickCount();
    if (gLastTurn) gLongestGap = std::max(gLongestGap, now - gLastTurn);
    gLastTurn = now;
}

// The window shows what stops a send (a refused field, then no connection), puts the focus where
// the user has to act, and sends nothing.
TEST(FrmErrorReport1, ARefusedOrOfflineSendShowsWhyAndSendsNothing) {
    test::ScopedProgramFolder program;
    test::RecordedMessages shown;
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
    EXPECT_EQ(shown.codes(), (std::vector<int>{500, 575}));
    for (const auto& call : shown.calls) EXPECT_EQ(call.icon, kIconError);
    EXPECT_FALSE(window.isControlShown(W::kProgress)) << "nothing was sent";
    SetConnectedStateForTesting(nullptr);
}

class FeedbackServer : public testing::Test {
protected:
    void SetUp() override {
        if (env(L"TRUSTED", L"_PORT").empty()) GTEST_SKIP() << "needs the servers of server-tests.sh";
        EnsureCommonDataFolder();
    }

    static unsigned port(const wchar_t* server) { return std::wcstoul(env(server, L"_PORT").c_str(), nullptr, 10); }

    // The reports a server stored, oldest first: each a JSON file of the path, the headers and
    // the decoded fields.
    static std::vector<std::filesystem::path> reports(const wchar_t* server) {
        std::vector<std::filesystem::path> names;
        for (const auto& entry : std::filesystem::directory_iterator(env(server, L"_OUT")))
            if (entry.path().extension() == ".json") names.push_back(entry.path());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The program's settings pointed at a server, and the report window opened with a message.
    void openWindow(W& window, const wchar_t* server, unsigned waitSeconds, const wchar_t* from, const wchar_t* message) {
        Trf_WriteUserProfile(kFeedbackServerKey, L"localhost");
        Trf_WriteUserProfile(kFeedbackPortKey, std::to_wstring(port(server)));
        Trf_WriteUserProfile(kFeedbackWaitKey, std::to_wstring(waitSeconds));
        ASSERT_TRUE(window.createModeless(nullptr, SW_SHOWNOACTIVATE));
        SetWindowTextW(window.control(W::kFrom), from);
        SetWindowTextW(window.control(W::kTicket), L"7");
        SetWindowTextW(window.control(W::kMessage), message);
    }

    test::ScopedProgramFolder program_{L"feedback"};
};

TEST_F(FeedbackServer, TheWindowSendsTheWholeReportAndSaysSo) {
    test::WriteBytes(program_.common(L"Log_trace.txt"), "Information : shipped master.bak\r\n");
    W window({});
    openWindow(window, L"TRUSTED", 20, L" me@x.example ", L"first\r\nzweite \u00e9");
    test::SendAltKey(window.hwnd(), 'S');
    EXPECT_EQ(WindowText(window.control(W::kProgress)), L"Feedback report has been sent successfully.");
    const auto names = reports(L"TRUSTED");
    ASSERT_FALSE(names.empty());
    const std::string json = test::ReadBytes(names.back().wstring());
    // The form byte for byte is ReportTextTest's, the header's fixed lines are the catalog's; here,
    // what the window puts in the form arrives.
    for (const char* part : {"\"path\": \"/cgi-bin/Notify_unicode\"", "\"HTTP/1.0\"",
                             "application/x-www-form-urlencoded; charset=utf-8",
                             "\"SUBJECT\": \"Tessaron Ticket : 7\"", "\"user_email\": \"me@x.example\"",
                             "first\\nzweite \xC3\xA9\\n\\r\\n\\r\\n----------Log_trace-------------"
                             "\\r\\nInformation : shipped master.bak\\n\\n"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part;
    }
}

TEST_F(FeedbackServer, UntrustedCertificateIsRefusedUnlessTheSettingAllowsARelaxedRetry) {
    const auto form = BuildNotificationForm(L"s@ostrova.example", L"S", L"body", L"");
    NotificationSettings s;
    s.port = port(L"UNTRUSTED");
    s.timeoutMs = 20000;
    const size_t before = reports(L"UNTRUSTED").size();
    PostResult result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kFailed);
    EXPECT_FALSE(result.relaxedRetry);
    EXPECT_EQ(reports(L"UNTRUSTED").size(), before);

    s.allowUntrusted = true;
    result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kSent) << result.lastError;
    EXPECT_TRUE(result.relaxedRetry);
    EXPECT_EQ(reports(L"UNTRUSTED").size(), before + 1);
    EXPECT_NE(test::ReadBytes(program_.common(L"TraceFile.txt")).find("relaxed certificate checks"), std::string::npos);
}

TEST_F(FeedbackServer, ASilentServerFailsAtTheTimeLimitWhileTheWindowKeepsPainting) {
    W window({});
    openWindow(window, L"SILENT", 2, L"me@x.example", L"hello");
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

}  // namespace
