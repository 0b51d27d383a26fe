#include "exchange/ExchangeDetection.h"

namespace tess::exchange {

void GetExchangeVersionInfo() {}
std::wstring ReadRegistryValue(const std::wstring&, const std::wstring&) { return {}; }
int CurrentExchVersion() { return 0; }
uint64_t PresenceWaitLimitMs() { return 300000; }
uint64_t InformationWaitLimitMs() { return 900000; }
uint64_t BackupWaitLimitMs() { return 86400000; }
int32_t clsExchange::IsExchange() { return 0; }
HelperOutcome clsExchange::RunInformation() { return HelperOutcome::kDone; }
HelperOutcome clsExchange::runQuery(bool) { return HelperOutcome::kDone; }
std::wstring clsExchange::Trf_ReadExchangeProfile(const std::wstring&, const std::wstring&, const std::wstring&) {
    return {};
}
bool clsExchange::ReadExchnageBackupIni(const std::wstring&, const std::wstring&, const std::wstring&, bool) {
    return false;
}
std::wstring TreeInfoPath() { return {}; }

}  // namespace tess::exchange
