#pragma once
// The notification servers that tests/feedback/server-tests.sh starts, as the tests see them.
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
    static unsigned trustedPort();
    static unsigned untrustedPort();
    static unsigned silentPort();
    static std::wstring trustedOut();
    static std::wstring untrustedOut();
    static size_t reportCount(const std::wstring& folder);
    // The newest report of a server's folder.
    static Report lastReport(const std::wstring& folder);
    static feedback::NotificationSettings settings(unsigned port);
    // Writes the settings the program reads for the given server.
    static void writeSettings(unsigned port, bool allowUntrusted, unsigned waitSeconds);

    const ScopedProgramFolder& programFolder() const { return program_; }

private:
    ScopedProgramFolder program_{L"feedback"};
};

}  // namespace tess::test
