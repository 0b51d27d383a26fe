#include "ui/Shipping.h"

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Log.h"
#include "common/TransferState.h"
#include "ui/BlockCopy.h"

namespace tess {
namespace {

void reportLine(const std::wstring& reportFile, const std::wstring& line) {
    if (!line.empty()) WriteLogTo(line, reportFile);
}

// The totals and the "shipping" state last exactly as long as the copy.
class ShippingTotals {
public:
    ShippingTotals(uint64_t totalBytes, const std::function<void(double)>& onProgress) {
        TransferTotals& totals = Totals();
        totals.totalBytes = totalBytes;
        totals.shippedBytes = 0;
        totals.percentShipped = 0;
        totals.onProgress = onProgress;
        SetTransferInProgress(true);
    }
    ~ShippingTotals() {
        SetTransferInProgress(false);
        Totals().onProgress = nullptr;
    }
    ShippingTotals(const ShippingTotals&) = delete;
    ShippingTotals& operator=(const ShippingTotals&) = delete;
};

void reportResult(const ShipReportLines& lines, const ShipItem& item, int result) {
    if (result == kCopyDone) {
        if (lines.completed) reportLine(lines.reportFile, lines.completed(item));
    } else if (result == kCopyCancelled) {
        if (lines.cancelled) reportLine(lines.reportFile, lines.cancelled(item));
    } else if (lines.failed) {
        reportLine(lines.reportFile, lines.failed(item, result));
    }
}

}  // namespace

uint64_t ShipTotalBytes(const std::vector<ShipItem>& items) {
    uint64_t total = 0;
    for (const auto& item : items)
        if (FileExists(item.source)) total += FileSize(item.source).value_or(0);
    return total;
}

RoomCheck CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes) {
    if (!FolderExists(destinationFolder)) Trf_CreateLocalDir(destinationFolder);
    if (!FolderExists(destinationFolder)) return RoomCheck::kUnreachable;  // an unplugged drive, an empty card reader
    return DriveFreeBytes(SpaceRootOf(destinationFolder)) < bytes ? RoomCheck::kNoRoom : RoomCheck::kFits;
}

ShipOutcome ShipFiles(const ShipRequest& request) {
    ShipOutcome outcome;
    ShippingTotals totals(ShipTotalBytes(request.items), request.onProgress);
    for (const auto& item : request.items) {
        if (request.onFileStart) request.onFileStart(item);
        if (request.report.started) reportLine(request.report.reportFile, request.report.started(item));
        const int result = CopyFileBlocks(item.source, item.target, request.cancelWindow);
        outcome.files.push_back(ShippedFile{item, result});
        reportResult(request.report, item, result);
        if (result == kCopyDone) {
            ++outcome.shipped;
        } else if (result == kCopyCancelled) {
            outcome.cancelled = true;
            break;
        } else {
            ++outcome.failed;
        }
    }
    return outcome;
}

}  // namespace tess
