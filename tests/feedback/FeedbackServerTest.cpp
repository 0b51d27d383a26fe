// Posts to real notification servers that tests/feedback/server-tests.sh starts; skipped when run
// without them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/Settings.h"
#include "common/Text.h"
#include "feedback/NotificationClient.h"
#include "feedback/ServerFixture.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::feedback;

namespace {

class FeedbackServer : public test::FeedbackServerFixture {};

}  // namespace

TEST_F(FeedbackServer, ReportArrivesOnItsPathFieldForField) {
    struct Case {
        const wchar_t* userEmail;
        const char* path;
    } cases[] = {{L"", "/cgi-bin/Notify_email"}, {L"me@x.example", "/cgi-bin/Notify_unicode"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto form = BuildNotificationForm(L"a@ostrova.example;b@ostrova.example", L"Tessaron Ticket : 7",
                                                EncodeLines(L"first line\r\nzweite Zeile \u00e9"), c.userEmail);
        const PostResult result = PostNotification(settings(trustedPort()), form, nullptr);
        EXPECT_EQ(result.outcome, PostOutcome::kSent) << result.lastError;
        EXPECT_EQ(result.status, 200u);
        EXPECT_FALSE(result.relaxedRetry);
        const Report report = lastReport(trustedOut());
        EXPECT_EQ(report.body, ToAnsi(form.body));
        EXPECT_NE(report.json.find(std::string("\"path\": \"") + c.path + "\""), std::string::npos);
        EXPECT_NE(report.json.find("\"version\": \"HTTP/1.0\""), std::string::npos);
        EXPECT_NE(report.json.find("application/x-www-form-urlencoded; charset=utf-8"), std::string::npos);
        EXPECT_NE(report.json.find("\"EMAIL\": \"a@ostrova.exampleb@ostrova.example\""), std::string::npos);
        EXPECT_NE(report.json.find("\"CONTENT\": \"first line\\nzweite Zeile \xC3\xA9\\n\""), std::string::npos);
        EXPECT_EQ(report.json.find("user_email") != std::string::npos, *c.userEmail != 0);
    }
}

TEST_F(FeedbackServer, UntrustedCertificateIsRefusedUnlessTheSettingAllowsARelaxedRetry) {
    const auto form = BuildNotificationForm(L"s@ostrova.example", L"S", L"body", L"");
    NotificationSettings s = settings(untrustedPort());
    const size_t before = reportCount(untrustedOut());
    PostResult result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kFailed);
    EXPECT_FALSE(result.relaxedRetry);
    EXPECT_EQ(reportCount(untrustedOut()), before);

    s.allowUntrusted = true;
    result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kSent) << result.lastError;
    EXPECT_TRUE(result.relaxedRetry);
    EXPECT_EQ(reportCount(untrustedOut()), before + 1);
    EXPECT_NE(test::ReadBytes(programFolder().common(L"TraceFile.txt")).find("relaxed certificate checks"),
              std::string::npos);
}
