#include "sql/SqlToolFixture.h"

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/MessageCatalog.h"
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
    std::wstring fakes = L"Z:" + FromAnsi(TESS_SQL_FAKES_DIR);
    for (auto& c : fakes)
        if (c == L'/') c = L'\\';
    for (const wchar_t* tool : {L"vxsqldblist_tessaron.exe", L"ostrova_sqlbackup_tessaron.exe"})
        ASSERT_TRUE(CopyFileW((fakes + L"\\sql_fake_tool.exe").c_str(), JoinPath(program_.path(), tool).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((fakes + L"\\SQLSrvBackup.dll").c_str(), JoinPath(program_.path(), L"SQLSrvBackup.dll").c_str(),
                          FALSE));
    EnsureCommonDataFolder();
    TransferFileList().clear();
    SetMessageHookForTesting([this](const MessageCall& call) {
        messages_.push_back(call);
        return call.buttons == kButtonsYesNo ? answerToQuestions_ : kResultOk;
    });
    gOpenedReport.clear();
    sql::SetReportOpenerForTesting([](const std::wstring& path) { gOpenedReport = path; });
}

void SqlToolFixture::TearDown() {
    SetMessageHookForTesting(nullptr);
    sql::SetReportOpenerForTesting(nullptr);
    for (const wchar_t* tool : {L"ostrova_sqlbackup_tessaron.exe", L"vxsqldblist_tessaron.exe"})
        WaitFor([&] { return !FindProcess(tool, true, 6) || !FindProcess(tool, false, 6); }, 5000);
}

void SqlToolFixture::script(const std::string& lines) { WriteBytes(JoinPath(program_.path(), L"fake_script.txt"), lines); }
void SqlToolFixture::listFile(const std::string& content) { WriteBytes(JoinPath(program_.path(), L"fake_list.txt"), content); }
std::string SqlToolFixture::journal() const { return ReadBytes(JoinPath(program_.path(), L"journal.txt")); }
void SqlToolFixture::setLimitSeconds(const wchar_t* key, int seconds) { Trf_WriteUserProfile(key, std::to_wstring(seconds)); }

std::vector<int> SqlToolFixture::codes() const {
    std::vector<int> out;
    for (const auto& m : messages_)
        for (int code : {15, 179, 184, 196, 568, 570, 572, 574})
            if (m.text == GetMessageText(code)) out.push_back(code);
    return out;
}

}  // namespace tess::test
