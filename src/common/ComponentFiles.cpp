#include "common/ComponentFiles.h"

#include "common/Files.h"
#include "common/ProgramPaths.h"

namespace tess {
namespace {

constexpr const wchar_t* kExchangeFiles[] = {L"ExchangeAPI.dll", L"ostrova64ExchBkp_tessaron.exe",
                                             L"ostrovaExchBkp_tessaron.exe", L"ExchangeAPI64.dll", nullptr};
constexpr const wchar_t* kSqlFiles[] = {L"SQLSrvBackup.dll", L"vxsqldblist_tessaron.exe",
                                        L"ostrova_sqlbackup_tessaron.exe", nullptr};

bool allPresent(const wchar_t* const* names) {
    for (; *names; ++names)
        if (!FileExistsInProgramFolder(*names)) return false;
    return true;
}

}  // namespace

bool FileExistsInProgramFolder(const std::wstring& name) { return FileExists(ProgramFolder() + L"\\" + name); }

const wchar_t* const* ExchangeComponentFiles() { return kExchangeFiles; }
const wchar_t* const* SqlComponentFiles() { return kSqlFiles; }
bool ComponentFilesPresent() { return allPresent(kExchangeFiles) && allPresent(kSqlFiles); }

}  // namespace tess
