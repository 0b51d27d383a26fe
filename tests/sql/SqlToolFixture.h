#pragma once
// A program folder of its own with the companion stand-ins of the build and a demo server
// description, the message box answered by the test, the run's report recorded instead of
// opened, and no tool left running.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Recorders.h"
#include "support/TestSupport.h"

namespace tess::test {

class SqlToolFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The demo description: the local default instance (login sa / S3cret) and `sections`
    // ("[Database:x]", "[Faults]", ... as companions/README.md describes them).
    void demo(const std::string& sections);
    // The stand-ins' journal (UTF-8, one TAB-separated record a line).
    std::string journal() const;
    std::wstring common(const std::wstring& name) const { return program_.common(name); }
    const std::wstring& programFolder() const { return program_.path(); }
    void setLimitSeconds(const wchar_t* key, int seconds);
    // The report the run would have opened for the user.
    const std::wstring& openedReport() const;

    // The messages shown, in order; questions get No unless the test says otherwise.
    RecordedMessages messages_;

private:
    ScopedProgramFolder program_{L"sql"};
    ScopedEnvironment demoPath_{L"TESSARON_DEMO", nullptr};
};

}  // namespace tess::test
