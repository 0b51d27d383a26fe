// The SQL Server transfer end to end: the real Tessaron.exe and the stand-in companion tools in a
// program folder of the test's own, driven through their windows by the demo driver, checked by
// the files they leave and the messages shown. The run's decisions have their tables in the
// in-process tests (tests/sql); here the flow is walked once to its end and once to a full drive.
//
// They run in a demo machine (the ctest entry test_e2e_sql_demo_machine prepares one): the
// destination is its removable drive E:, the full-destination case uses its small drive F:.
#include <gtest/gtest.h>

#include "common/Settings.h"
#include "e2e/EndToEnd.h"

namespace tess::test {
namespace {

class SqlEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallProgramCopy(program_));
        TESS_NEEDS_DEMO_MACHINE(!RemovableDrive(false).empty(), "a removable drive (ctest -R test_e2e_sql_demo_machine)");
    }
    void TearDown() override {
        for (const wchar_t* exe : {L"sql_demo_driver.exe", L"Tessaron.exe", L"ostrova_sqlbackup_tessaron.exe"})
            EndProcesses(exe);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    DriverRun transferTo(const std::wstring& drive, const std::string& databases) {
        WriteBytes(program_ + L"\\demo\\demo.ini",
                   "[Demo]\r\nJournal=journal.txt\r\n\r\n[Instance:MSSQLSERVER]\r\nLogin.sa=Demo#2026\r\n\r\n" + databases);
        destination_ = drive + L"\\TessE2E-" + std::to_wstring(GetCurrentProcessId());
        return RunDriver(L"sql_demo_driver", {program_, temporary_, destination_}, dir_.file(L"driver.txt"));
    }
    std::wstring shipped(const std::wstring& db) const { return destination_ + L"\\[" + db + L"].dmp"; }

    TempDir dir_{L"e2esql"};
    std::wstring program_ = dir_.path() + L"\\Tess Prog", temporary_ = dir_.path() + L"\\SQL Temp", destination_;
};

// The failing, crashing and skipped databases are the in-process run's (tests/sql/SqlRunTest.cpp).
TEST_F(SqlEndToEnd, ADumpedDatabaseArrivesWholeAndLeavesTheTemporaryFolder) {
    std::string source(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteBytes(dir_.path() + L"\\north.bak", source);
    const std::string database = "[Database:north]\r\nName=North Wind\r\nSource=file:" + ToAnsi(dir_.path()) + "\\north.bak\r\n";
    const DriverRun run = transferTo(RemovableDrive(false), database);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadBytes(shipped(L"North Wind")), source);
    const std::string trace = ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt");
    EXPECT_NE(trace.find("Completed shipping database 'North Wind' to " + ToAnsi(destination_)), std::string::npos) << trace;
    // Verified on the drive, the dump left the temporary folder; KeepTemporaryDumps=1 keeps it.
    const std::wstring dump = temporary_ + L"\\OSTROVASQLTEMP\\[North Wind].dmp";
    EXPECT_FALSE(FileExists(dump));
    Trf_WriteUserProfile(L"KeepTemporaryDumps", L"1");
    EXPECT_EQ(transferTo(RemovableDrive(false), database).exitCode, 0);
    EXPECT_EQ(ReadBytes(dump), source);
    EXPECT_NE(ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt").find("Kept the dump"), std::string::npos);
}

TEST_F(SqlEndToEnd, FullDestinationGives574AndShipsNothing) {
    const std::wstring small = RemovableDrive(true);
    if (small.empty()) GTEST_SKIP() << "no small removable drive in this prefix (scripts/demo-machine makes F:)";
    const DriverRun run = transferTo(small, "[Database:huge]\r\nSize=64 MB\r\n\r\n[Database:tiny]\r\nSize=1 MB\r\n");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("message: Insufficient disk space to ship the data"), std::string::npos) << run.output;
    EXPECT_FALSE(FileExists(shipped(L"huge")));
    EXPECT_FALSE(FileExists(shipped(L"tiny")));
}

}  // namespace
}  // namespace tess::test
