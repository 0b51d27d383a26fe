#include "sql/SqlToolFixture.h"

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "sql/SqlTransferRun.h"

namespace tess::test {
namespace {
std::wstring gOpenedReport;  // the opener is a plain function
}  // namespace

const std::wstring& SqlToolFixture::openedReport() const { return gOpenedReport; }

void SqlToolFixture::SetUp() {
    for (const wchar_t* tool : {L"vxsqldblist_tessaron.exe", L"ostrova_sqlbackup_tessaron.exe", L"SQLSrvBackup.dll"})
        ASSERT_TRUE(CopyFileW(JoinPath(BuildBinFolder(), tool).c_str(), JoinPath(program_.path(), tool).c_str(), FALSE));
    CreateDirectoryW(JoinPath(program_.path(), L"demo").c_str(), nullptr);
    EnsureCommonDataFolder();
    TransferFileList().clear();
    gOpenedReport.clear();
    sql::SetReportOpenerForTesting([](const std::wstring& path) { gOpenedReport = path; });
}

void SqlToolFixture::TearDown() {
    sql::SetReportOpenerForTesting(nullptr);
    for (const wchar_t* tool : {L"ostrova_sqlbackup_tessaron.exe", L"vxsqldblist_tessaron.exe"})
        WaitFor([&] { return !FindProcess(tool, true, 6) || !FindProcess(tool, false, 6); }, 5000);
}

void SqlToolFixture::demo(const std::string& sections) {
    WriteBytes(JoinPath(program_.path(), L"demo\\demo.ini"), "[Instance:MSSQLSERVER]\r\nLogin.sa=S3cret\r\n" + sections);
}
std::string SqlToolFixture::journal() const { return ReadBytes(JoinPath(program_.path(), L"demo\\journal.txt")); }
void SqlToolFixture::setLimitSeconds(const wchar_t* key, int seconds) { Trf_WriteUserProfile(key, std::to_wstring(seconds)); }

}  // namespace tess::test
