#include "common/TransferState.h"

namespace tess {
namespace {
bool gInProgress = false;
}

TransferTotals& Totals() {
    static TransferTotals totals;
    return totals;
}

bool TransferInProgress() { return gInProgress; }
void SetTransferInProgress(bool inProgress) { gInProgress = inProgress; }

}  // namespace tess
