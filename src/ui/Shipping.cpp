#include "ui/Shipping.h"

#include <shellapi.h>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/Manifest.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Progress.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "common/Units.h"
#include "ui/BlockCopy.h"
#include "ui/MessageBox.h"
#include "ui/ReadBack.h"

namespace tess {

const wchar_t kVerifySettingKey[] = L"VerifyShipping";

namespace {

// A set of thousands of small files would pay an open, append and close of the report for each of
// its two or three lines per file (a tenth of the shipping time under Wine): the lines of one
// shipping are gathered and written at most every quarter second, and whatever is left at its end.
class ReportBuffer {
public:
    explicit ReportBuffer(std::wstring file) : file_(std::move(file)) {}
    ~ReportBuffer() { flush(); }
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;
    void add(const std::wstring& line) {
        if (line.empty()) return;
        lines_.push_back(line);
        if (GetTickCount64() - lastFlushMs_ >= kFlushEveryMs) flush();
    }
    void flush() {
        WriteLogLinesTo(lines_, file_);
        lines_.clear();
        lastFlushMs_ = GetTickCount64();
    }

private:
    static constexpr uint64_t kFlushEveryMs = 250;
    std::wstring file_;
    std::vector<std::wstring> lines_;
    uint64_t lastFlushMs_ = GetTickCount64();
};

// One shipping under way: what was asked, its report lines, and what came of it.
struct Shipment {
    explicit Shipment(const ShipRequest& r) : request(r), report(r.report.reportFile) {}
    const ShipRequest& request;
    ReportBuffer report;
    ShipOutcome outcome;
};

void openWithShell(const std::wstring& path) {
    ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

ReportOpener gReportOpener = openWithShell;

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

void reportResult(Shipment& ship, const ShipItem& item, int result) {
    const ShipReportLines& lines = ship.request.report;
    if (result == kCopyDone) {
        if (lines.completed) ship.report.add(lines.completed(item));
    } else if (result == kCopyCancelled) {
        if (lines.cancelled) ship.report.add(lines.cancelled(item));
    } else if (lines.failed) {
        ship.report.add(lines.failed(item, result));
    }
}

void copyAll(Shipment& ship, bool hash, const std::vector<uint64_t>& sizes) {
    const ShipRequest& request = ship.request;
    for (size_t i = 0; i < request.items.size(); ++i) {
        const ShipItem& item = request.items[i];
        if (request.onFileStart) request.onFileStart(item);
        if (request.report.started) ship.report.add(request.report.started(item));
        ShippedFile file;
        file.item = item;
        file.bytes = sizes[i];
        file.result = CopyFileBlocks(item.source, item.target, request.cancelWindow, hash ? &file.sha256 : nullptr);
        ship.outcome.files.push_back(file);
        reportResult(ship, item, file.result);
        if (file.result == kCopyDone) {
            ++ship.outcome.shipped;
        } else if (file.result == kCopyCancelled) {
            ship.outcome.cancelled = true;
            break;
        } else {
            ++ship.outcome.failed;
        }
    }
}

// A copy that does not read back as its source was is removed and counts as failed.
void verifyOne(Shipment& ship, ShippedFile& file, Figures& figures, uint64_t& doneBytes) {
    const ReadBackResult read = ReadBackSha256(file.item.target, ship.request.cancelWindow, [&](uint64_t bytes) {
        doneBytes += bytes;
        figures.advance(doneBytes);
    });
    if (read.status == ReadBackStatus::kDone && read.sha256 == file.sha256) {
        file.verified = true;
        ship.report.add(L"Verified " + file.item.target + L" (SHA-256 " + FromAnsi(file.sha256) + L")");
        return;
    }
    if (read.status == ReadBackStatus::kCancelled) {
        ship.outcome.cancelled = true;
        ship.report.add(L"Not verified " + file.item.target + L": the verification was cancelled by the user");
        return;
    }
    const std::wstring reason = read.status == ReadBackStatus::kDone
                                    ? L"the copy on the drive differs from the source (SHA-256 " +
                                          FromAnsi(read.sha256) + L", expected " + FromAnsi(file.sha256) + L")"
                                    : read.reason;
    ship.report.add(L"Not verified " + file.item.target + L": " + reason + L"; the copy was removed");
    DeleteFileIfExists(file.item.target, true);
    file.result = kCopyNotVerified;
    --ship.outcome.shipped;
    ++ship.outcome.failed;
    reportResult(ship, file.item, file.result);
}

uint64_t shippedBytes(const ShipOutcome& outcome) {
    uint64_t bytes = 0;
    for (const auto& file : outcome.files)
        if (file.result == kCopyDone) bytes += file.bytes;
    return bytes;
}

void verifyAll(Shipment& ship) {
    Figures figures(ship.request.onFigures, L"Verifying: ", shippedBytes(ship.outcome));
    uint64_t done = 0;
    for (auto& file : ship.outcome.files) {
        if (file.result != kCopyDone) continue;
        if (ship.outcome.cancelled) {
            ship.report.add(L"Not verified " + file.item.target + L": the transfer was cancelled by the user");
            continue;
        }
        verifyOne(ship, file, figures, done);
    }
}

void trustCopies(Shipment& ship) {
    for (auto& file : ship.outcome.files) {
        if (file.result != kCopyDone) continue;
        file.verified = true;  // as far as it goes: the manifest holds the copy-time digest
        ship.report.add(L"Not verified " + file.item.target + L": verification is off (" +
                        std::wstring(kVerifySettingKey) + L" in vxwin.ini); the manifest holds the digest taken while copying");
    }
}

void writeManifest(Shipment& ship) {
    const std::wstring& folder = ship.request.manifestFolder;
    std::vector<ManifestEntry> entries;
    for (const auto& file : ship.outcome.files) {
        if (!file.verified || file.result != kCopyDone) continue;
        if (auto path = ManifestRelativePath(folder, file.item.target)) entries.push_back({file.sha256, *path});
    }
    if (entries.empty()) return;
    if (auto path = UpdateManifest(folder, entries)) ship.outcome.manifest = *path;
    else ship.report.add(L"The checksum manifest could not be written in " + folder);
}

void reportTotals(Shipment& ship, uint64_t startMs) {
    const uint64_t bytes = shippedBytes(ship.outcome);
    const uint64_t ms = GetTickCount64() - startMs;
    const uint64_t rate = ms ? bytes * 1000 / ms : bytes;
    const std::wstring& manifest = ship.outcome.manifest;
    const std::wstring where = manifest.empty() ? L"no checksum manifest" : L"checksum manifest " + manifest;
    const auto size = [](uint64_t n) { return GetProperSizeValue(static_cast<double>(n)); };
    ship.report.add(L"Shipped " + std::to_wstring(bytes) + L" bytes (" + size(bytes) + L") in " +
                    std::to_wstring(ms / 1000) + L"." + std::to_wstring(ms % 1000 / 100) + L" s, average " +
                    size(rate) + L"/s; " + where);
}

}  // namespace

uint64_t ShipTotalBytes(const std::vector<ShipItem>& items) {
    uint64_t total = 0;
    for (const auto& item : items)
        total += FileSize(item.source).value_or(0);
    return total;
}

RoomCheck CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes) {
    if (!FolderExists(destinationFolder)) Trf_CreateLocalDir(destinationFolder);
    if (!FolderExists(destinationFolder)) return RoomCheck::kUnreachable;  // an unplugged drive, an empty card reader
    return DriveFreeBytes(SpaceRootOf(destinationFolder)) < bytes ? RoomCheck::kNoRoom : RoomCheck::kFits;
}

int CheckDestinationForRun(const std::wstring& destinationFolder, uint64_t bytes) {
    switch (CheckDestinationRoom(destinationFolder, bytes)) {
        case RoomCheck::kFits:
            return 0;
        case RoomCheck::kUnreachable:
            WriteLogTo(L"The destination " + destinationFolder + L" cannot be reached; nothing was shipped", RunReportPath());
            return 15;
        case RoomCheck::kNoRoom:
            break;
    }
    WriteLogTo(L"Insufficient disk space to ship the data to " + destinationFolder, RunReportPath());
    return 574;
}

std::wstring RunReportPath() { return CommonDataFile(L"Log_trace.txt"); }

void OfferRunReport(int questionCode) {
    if (ShowMessage({GetMessageText(questionCode), kIconQuestion, kButtonsYesNo}) == kResultYes &&
        FileExists(RunReportPath()))
        gReportOpener(RunReportPath());
}

void SetReportOpenerForTesting(ReportOpener opener) { gReportOpener = opener ? opener : openWithShell; }

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
    Shipment ship(request);
    // Each source's size once: the totals, the read-back's figures and the report use it.
    std::vector<uint64_t> sizes;
    uint64_t total = 0;
    for (const auto& item : request.items) total += sizes.emplace_back(FileSize(item.source).value_or(0));
    Figures copying(request.onFigures, L"", total);
    ShippingTotals totals(total, request.onProgress, copying);
    copyAll(ship, hash, sizes);
    // After a cancel the files already copied are whole but not read back: reported, and left
    // out of the manifest.
    if (verify || ship.outcome.cancelled) verifyAll(ship);
    else trustCopies(ship);
    if (!request.manifestFolder.empty()) writeManifest(ship);
    if (request.onFigures) request.onFigures(L"");
    reportTotals(ship, startMs);
    return std::move(ship.outcome);
}

}  // namespace tess
