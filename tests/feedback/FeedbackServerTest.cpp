// Posts to the real notification servers of server-tests.sh.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "feedback/NotificationClient.h"
#include "feedback/ServerFixture.h"

using namespace tess;
using namespace tess::feedback;

using FeedbackServer = test::FeedbackServerFixture;

TEST_F(FeedbackServer, ReportArrivesOnItsPathFieldForField) {
    struct Case {
        const wchar_t* userEmail;
        const char* path;
    } cases[] = {{L"", "/cgi-bin/Notify_email"}, {L"me@x.example", "/cgi-bin/Notify_unicode"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto form = BuildNotificationForm(L"a@ostrova.example;b@ostrova.example", L"Tessaron Ticket : 7",
                                                EncodeLines(L"first line\r\nzweite Zeile \u00e9"), c.userEmail);
        const PostResult result = PostNotification(settings(L"TRUSTED"), form, nullptr);
        EXPECT_EQ(result.outcome, PostOutcome::kSent) << result.lastError;
        EXPECT_EQ(result.status, 200u);
        const Report report = lastReport(L"TRUSTED");
        EXPECT_EQ(report.body, ToAnsi(form.body));
        for (const std::string& part : {std::string("\"path\": \"") + c.path + "\"", std::string("\"HTTP/1.0\""),
                                       std::string("application/x-www-form-urlencoded; charset=utf-8"),
                                       std::string("\"EMAIL\": \"a@ostrova.exampleb@ostrova.example\""),
                                       std::string("\"CONTENT\": \"first line\\nzweite Zeile \xC3\xA9\\n\"")}) {
            EXPECT_NE(report.json.find(part), std::string::npos) << part;
        }
        EXPECT_EQ(report.json.find("user_email") != std::string::npos, *c.userEmail != 0);
    }
}

TEST_F(FeedbackServer, UntrustedCertificateIsRefusedUnlessTheSettingAllowsARelaxedRetry) {
    const auto form = BuildNotificationForm(L"s@ostrova.example", L"S", L"body", L"");
    NotificationSettings s = settings(L"UNTRUSTED");
    const size_t before = reportCount(L"UNTRUSTED");
    PostResult result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kFailed);
    EXPECT_FALSE(result.relaxedRetry);
    EXPECT_EQ(reportCount(L"UNTRUSTED"), before);

    s.allowUntrusted = true;
    result = PostNotification(s, form, nullptr);
    EXPECT_EQ(result.outcome, PostOutcome::kSent) << result.lastError;
    EXPECT_TRUE(result.relaxedRetry);
    EXPECT_EQ(reportCount(L"UNTRUSTED"), before + 1);
    EXPECT_NE(test::ReadBytes(program_.common(L"TraceFile.txt")).find("relaxed certificate checks"), std::string::npos);
}
