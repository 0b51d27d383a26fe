#pragma once
// A program folder of its own with the companion stand-ins of the build and a demo server
// description, the message box answered by the test, the run's report recorded instead of
// opened, and no tool left running.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "sql/SqlTransferRun.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"
#include "ui/Shipping.h"

namespace tess::test {

class SqlToolFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* tool : {L"vxsqldblist_tessaron.exe", L"ostrova_sqlbackup_tessaron.exe", L"SQLSrvBackup.dll"})
            ASSERT_TRUE(CopyFileW(JoinPath(BuildBinFolder(), tool).c_str(), JoinPath(programFolder(), tool).c_str(), FALSE));
        CreateDirectoryW(JoinPath(programFolder(), L"demo").c_str(), nullptr);
        EnsureCommonDataFolder();
        openedReport().clear();
        SetReportOpenerForTesting([](const std::wstring& path) { openedReport() = path; });
    }
    void TearDown() override {
        SetReportOpenerForTesting(nullptr);
        for (const wchar_t* tool : {L"ostrova_sqlbackup_tessaron.exe", L"vxsqldblist_tessaron.exe"})
            WaitFor([&] { return !FindProcess(tool, true, 6) || !FindProcess(tool, false, 6); }, 5000);
    }

    // The demo description: the local default instance (login sa / S3cret) and `sections`
    // ("[Database:x]", "[Faults]", ... as companions/README.md describes them).
    void demo(const std::string& sections) const {
        WriteBytes(JoinPath(programFolder(), L"demo\\demo.ini"), "[Instance:MSSQLSERVER]\r\nLogin.sa=S3cret\r\n" + sections);
    }
    // The stand-ins' journal (UTF-8, one TAB-separated record a line).
    std::string journal() const { return ReadBytes(JoinPath(programFolder(), L"demo\\journal.txt")); }
    std::wstring common(const std::wstring& name) const { return program_.common(name); }
    const std::wstring& programFolder() const { return program_.path(); }
    static void setLimitSeconds(const wchar_t* key, int seconds) { Trf_WriteUserProfile(key, std::to_wstring(seconds)); }
    // The report the run would have opened for the user (the opener is a plain function).
    static std::wstring& openedReport() {
        static std::wstring path;
        return path;
    }

    // The messages shown, in order; questions get No unless the test says otherwise.
    RecordedMessages messages_;

private:
    ScopedProgramFolder program_{L"sql"};
    ScopedEnvironment demoPath_{L"TESSARON_DEMO", nullptr};
};

}  // namespace tess::test
