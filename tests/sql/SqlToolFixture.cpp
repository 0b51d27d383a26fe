#include "sql/SqlToolFixture.h"

#include "common/Files.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"

namespace tess::test {

std::wstring SqlFakesFolder() {
    std::wstring p = L"Z:" + FromAnsi(TESS_SQL_FAKES_DIR);
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    return p;
}

void EndSqlTools() {
    for (const wchar_t* tool : {L"ostrova_sqlbackup_tessaron.exe", L"vxsqldblist_tessaron.exe"}) {
        WaitFor([&] { return !FindProcess(tool, true, 6) || !FindProcess(tool, false, 6); }, 5000);
    }
}

void SqlToolFixture::SetUp() {
    const std::wstring fakes = SqlFakesFolder();
    for (const wchar_t* tool : {L"vxsqldblist_tessaron.exe", L"ostrova_sqlbackup_tessaron.exe"})
        ASSERT_TRUE(CopyFileW((fakes + L"\\sql_fake_tool.exe").c_str(), JoinPath(program_.path(), tool).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((fakes + L"\\SQLSrvBackup.dll").c_str(), JoinPath(program_.path(), L"SQLSrvBackup.dll").c_str(),
                          FALSE));
    EnsureCommonDataFolder();
    SetMessageHookForTesting([this](const MessageCall& call) {
        messages_.push_back(call);
        return call.buttons == kButtonsYesNo ? answerToQuestions_ : kResultOk;
    });
}

void SqlToolFixture::TearDown() {
    SetMessageHookForTesting(nullptr);
    EndSqlTools();
}

void SqlToolFixture::script(const std::string& lines) { WriteBytes(JoinPath(program_.path(), L"fake_script.txt"), lines); }
void SqlToolFixture::listFile(const std::string& content) { WriteBytes(JoinPath(program_.path(), L"fake_list.txt"), content); }
std::string SqlToolFixture::journal() const { return ReadBytes(JoinPath(program_.path(), L"journal.txt")); }

void SqlToolFixture::setLimitSeconds(const wchar_t* key, int seconds) { Trf_WriteUserProfile(key, std::to_wstring(seconds)); }

}  // namespace tess::test
