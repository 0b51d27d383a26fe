#include "exchange/ExchangeRun.h"

namespace tess::exchange {

ExchangeRunResult CmdNext(const ExchangeRunArgs&) { return {}; }
bool DoExchangeBackup(const ExchangeRunArgs&, ExchangeRunResult*) { return false; }
std::optional<std::wstring> btnBrowse_Click(HWND) { return std::nullopt; }
void SetReportOpenerForTesting(ReportOpener) {}

}  // namespace tess::exchange
