#pragma once
// Process-wide state of a transfer run, shared by the wizards, the block copy and the image
// buttons (whose faces stay as they are while a run ships).
#include <cstdint>
#include <functional>

namespace tess {

struct TransferTotals {
    uint64_t totalBytes = 0;    // everything the run ships
    uint64_t shippedBytes = 0;  // copied so far
    double percentShipped = 0;  // 0..100
    // Called after every block with the new percentage; the wizard showing progress sets it.
    std::function<void(double percent)> onProgress;
};

TransferTotals& Totals();

// Set by the runs while they ship.
bool TransferInProgress();
void SetTransferInProgress(bool inProgress);

}  // namespace tess
