#pragma once
// The notification servers that tests/feedback/server-tests.sh starts (trusted, untrusted and
// silent), as the tests see them; the tests are skipped without them.
#include <gtest/gtest.h>

#include <string>

#include "feedback/NotificationClient.h"
#include "support/TestSupport.h"

namespace tess::test {

class FeedbackServerFixture : public testing::Test {
protected:
    void SetUp() override;

    struct Report {
        std::string json;  // path, version, headers and decoded fields
        std::string body;  // the raw body
    };
    static unsigned port(const wchar_t* server);        // L"TRUSTED", L"UNTRUSTED", L"SILENT"
    static std::wstring out(const wchar_t* server);     // where that server stores reports
    static size_t reportCount(const wchar_t* server);
    static Report lastReport(const wchar_t* server);
    static feedback::NotificationSettings settings(const wchar_t* server);
    // The settings the program reads, pointed at that server.
    static void writeSettings(const wchar_t* server, unsigned waitSeconds);

    ScopedProgramFolder program_{L"feedback"};
};

}  // namespace tess::test
