#include "ui/Shipping.h"

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Log.h"
#include "common/Manifest.h"
#include "common/Progress.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "ui/BlockCopy.h"
#include "ui/ReadBack.h"

namespace tess {

const wchar_t kVerifySettingKey[] = L"VerifyShipping";

namespace {

void reportLine(const std::wstring& reportFile, const std::wstring& line) {
    if (!line.empty()) WriteLogTo(line, reportFile);
}

// The figures beside the bar for one phase (the copy, then the read-back).
class Figures {
public:
    Figures(const std::function<void(const std::wstring&)>& show, const wchar_t* phase, uint64_t totalBytes)
        : show_(show), phase_(phase), meter_(StartMeter(totalBytes)) {}
    void advance(uint64_t doneBytes) {
        if (!show_) return;
        meter_ = AdvanceMeter(std::move(meter_), GetTickCount64(), doneBytes);
        const std::wstring text = ProgressFiguresText(meter_);
        if (!text.empty()) show_(phase_ + text);
    }

private:
    std::function<void(const std::wstring&)> show_;
    std::wstring phase_;
    ProgressMeter meter_;
};

// The totals and the "shipping" state last exactly as long as the shipping.
class ShippingTotals {
public:
    ShippingTotals(uint64_t totalBytes, const std::function<void(double)>& onProgress, Figures& figures) {
        TransferTotals& totals = Totals();
        totals.totalBytes = totalBytes;
        totals.shippedBytes = 0;
        totals.percentShipped = 0;
        totals.onProgress = [onProgress, &figures](double percent) {
            if (onProgress) onProgress(percent);
            figures.advance(Totals().shippedBytes);
        };
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

void copyAll(const ShipRequest& request, bool hash, ShipOutcome& outcome) {
    for (const auto& item : request.items) {
        if (request.onFileStart) request.onFileStart(item);
        if (request.report.started) reportLine(request.report.reportFile, request.report.started(item));
        ShippedFile file;
        file.item = item;
        file.result = CopyFileBlocks(item.source, item.target, request.cancelWindow, hash ? &file.sha256 : nullptr);
        outcome.files.push_back(file);
        reportResult(request.report, item, file.result);
        if (file.result == kCopyDone) {
            ++outcome.shipped;
        } else if (file.result == kCopyCancelled) {
            outcome.cancelled = true;
            break;
        } else {
            ++outcome.failed;
        }
    }
}

// A copy that does not read back as its source was is removed and counts as failed.
void verifyOne(const ShipRequest& request, ShippedFile& file, Figures& figures, uint64_t& doneBytes,
               ShipOutcome& outcome) {
    const ReadBackResult read = ReadBackSha256(file.item.target, request.cancelWindow, [&](uint64_t bytes) {
        doneBytes += bytes;
        figures.advance(doneBytes);
    });
    const std::wstring& log = request.report.reportFile;
    if (read.status == ReadBackStatus::kDone && read.sha256 == file.sha256) {
        file.verified = true;
        reportLine(log, L"Verified " + file.item.target + L" (SHA-256 " + FromAnsi(file.sha256) + L")");
        return;
    }
    if (read.status == ReadBackStatus::kCancelled) {
        outcome.cancelled = true;
        reportLine(log, L"Not verified " + file.item.target + L": the verification was cancelled by the user");
        return;
    }
    const std::wstring reason = read.status == ReadBackStatus::kDone
                                    ? L"the copy on the drive differs from the source (SHA-256 " +
                                          FromAnsi(read.sha256) + L", expected " + FromAnsi(file.sha256) + L")"
                                    : read.reason;
    reportLine(log, L"Not verified " + file.item.target + L": " + reason + L"; the copy was removed");
    DeleteFileIfExists(file.item.target, true);
    file.result = kCopyNotVerified;
    --outcome.shipped;
    ++outcome.failed;
    reportResult(request.report, file.item, file.result);
}

void verifyAll(const ShipRequest& request, ShipOutcome& outcome) {
    uint64_t total = 0;
    for (const auto& file : outcome.files)
        if (file.result == kCopyDone) total += FileSize(file.item.target).value_or(0);
    Figures figures(request.onFigures, L"Verifying: ", total);
    uint64_t done = 0;
    for (auto& file : outcome.files) {
        if (file.result != kCopyDone) continue;
        if (outcome.cancelled) {
            reportLine(request.report.reportFile,
                       L"Not verified " + file.item.target + L": the transfer was cancelled by the user");
            continue;
        }
        verifyOne(request, file, figures, done, outcome);
    }
}

void trustCopies(const ShipRequest& request, ShipOutcome& outcome) {
    for (auto& file : outcome.files) {
        if (file.result != kCopyDone) continue;
        file.verified = true;  // as far as it goes: the manifest holds the copy-time digest
        reportLine(request.report.reportFile, L"Not verified " + file.item.target + L": verification is off (" +
                                                  std::wstring(kVerifySettingKey) +
                                                  L" in vxwin.ini); the manifest holds the digest taken while copying");
    }
}

void writeManifest(const ShipRequest& request, ShipOutcome& outcome) {
    std::vector<ManifestEntry> entries;
    for (const auto& file : outcome.files) {
        if (!file.verified || file.result != kCopyDone) continue;
        if (auto path = ManifestRelativePath(request.manifestFolder, file.item.target))
            entries.push_back({file.sha256, *path});
    }
    if (entries.empty()) return;
    if (auto path = UpdateManifest(request.manifestFolder, entries)) outcome.manifest = *path;
    else reportLine(request.report.reportFile, L"The checksum manifest could not be written in " + request.manifestFolder);
}

void reportTotals(const ShipRequest& request, const ShipOutcome& outcome, uint64_t startMs) {
    uint64_t bytes = 0;
    for (const auto& file : outcome.files)
        if (file.result == kCopyDone) bytes += FileSize(file.item.target).value_or(0);
    const uint64_t ms = GetTickCount64() - startMs;
    const uint64_t rate = ms ? bytes * 1000 / ms : bytes;
    const std::wstring where = outcome.manifest.empty() ? L"no checksum manifest" : L"checksum manifest " + outcome.manifest;
    reportLine(request.report.reportFile, L"Shipped " + std::to_wstring(bytes) + L" bytes (" + ByteCountText(bytes) +
                                              L") in " + std::to_wstring(ms / 1000) + L"." + std::to_wstring(ms % 1000 / 100) +
                                              L" s, average " + ByteCountText(rate) + L"/s; " + where);
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

bool ShippingVerificationOn() {
    const std::wstring value = Trim(Trf_ReadUserProfile(kVerifySettingKey));
    for (const wchar_t* off : {L"0", L"No", L"False", L"Off"})
        if (EqualsNoCase(value, off)) return false;
    return true;
}

ShipOutcome ShipFiles(const ShipRequest& request) {
    const uint64_t startMs = GetTickCount64();
    const bool verify = ShippingVerificationOn();
    const bool hash = !request.manifestFolder.empty() || verify;
    ShipOutcome outcome;
    const uint64_t total = ShipTotalBytes(request.items);
    Figures copying(request.onFigures, L"", total);
    ShippingTotals totals(total, request.onProgress, copying);
    copyAll(request, hash, outcome);
    // After a cancel the files already copied are whole but not read back: reported, and left
    // out of the manifest.
    if (verify || outcome.cancelled) verifyAll(request, outcome);
    else trustCopies(request, outcome);
    if (!request.manifestFolder.empty()) writeManifest(request, outcome);
    if (request.onFigures) request.onFigures(L"");
    reportTotals(request, outcome, startMs);
    return outcome;
}

}  // namespace tess
