#include "sql/SqlSettings.h"

#include "common/Settings.h"
#include "common/Text.h"

namespace tess::sql {

const wchar_t kListWaitKey[] = L"SQLListWaitSeconds";
const wchar_t kBackupWaitKey[] = L"SQLBackupWaitSeconds";

namespace {

uint64_t limitMs(const wchar_t* key, uint64_t defaultSeconds) {
    const long long seconds = ParseLeadingInteger(Trf_ReadUserProfile(key));
    return (seconds > 0 ? static_cast<uint64_t>(seconds) : defaultSeconds) * 1000u;
}

}  // namespace

std::wstring ServerKeySuffix(const std::wstring& serverName) { return ToUpper(Trim(serverName)); }

uint64_t ListWaitLimitMs() { return limitMs(kListWaitKey, 600); }
uint64_t BackupWaitLimitMs() { return limitMs(kBackupWaitKey, 86400); }

}  // namespace tess::sql
