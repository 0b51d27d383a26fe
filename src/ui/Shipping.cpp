#include "ui/Shipping.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "common/Units.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"
#include "ui/MessageBox.h"
#include "ui/RunQuestion.h"
#include "ui/WindowSink.h"

namespace tess {

const wchar_t kVerifySettingKey[] = L"VerifyShipping";

namespace {

void openWithShell(const std::wstring& path) {
    ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

ReportOpener gReportOpener = openWithShell;

// A set of thousands of small files would pay an open, append and close of the report for each
// file (a tenth of the shipping time under Wine): the finished text is gathered and appended at
// most every quarter second, and whatever is left once the run ended. Called by the engine's
// report writer, one call at a time.
class ReportFile {
public:
    explicit ReportFile(std::wstring path) : path_(std::move(path)) {}
    void add(const std::wstring& text) {
        if (!pending_.empty()) pending_ += L"\r\n";
        pending_ += text;
        if (GetTickCount64() - lastMs_ >= kEveryMs) flush();
    }
    void flush() {
        if (!pending_.empty()) AppendAnsiLine(path_, pending_);
        pending_.clear();
        lastMs_ = GetTickCount64();
    }

private:
    static constexpr uint64_t kEveryMs = 250;
    std::wstring path_;
    std::wstring pending_;
    uint64_t lastMs_ = GetTickCount64();
};

Plan shippingPlan(const ShipRequest& request, bool verify, const std::shared_ptr<ReportFile>& report) {
    Plan plan;
    for (const auto& item : request.items)
        plan.items.push_back({item.name, nullptr, {{item.source, item.target, FileSize(item.source).value_or(0)}}, 0});
    plan.manifestFolder = request.manifestFolder;
    plan.options.verify = verify;
    // Nothing here is dumped, so the queues between the stages hold no temporary room: bounded at
    // one they would make the stages take turns, two thread hand-overs per file of a set of thousands.
    plan.options.dumpsAhead = plan.options.copiesAhead = std::max<size_t>(1, plan.items.size());
    plan.copier = std::make_shared<BlockFileCopier>(verify || !request.manifestFolder.empty());
    plan.verifier = std::make_shared<ReadBackVerifier>();
    // Each request item is a plan item of one file: the caller's lines get it back from them.
    const auto shipItem = [](const PlanItem& item, const PlanFile& file) { return ShipItem{file.source, file.target, item.name}; };
    const ShipReportLines& lines = request.report;
    if (lines.started)
        plan.wording.started = [shipItem, f = lines.started](const PlanItem& i, const PlanFile& p) { return f(shipItem(i, p)); };
    if (lines.completed)
        plan.wording.completed = [shipItem, f = lines.completed](const PlanItem& i, const PlanFile& p) { return f(shipItem(i, p)); };
    if (lines.failed)
        plan.wording.failed = [shipItem, f = lines.failed](const PlanItem& i, const PlanFile& p, const std::wstring& why) {
            return f(shipItem(i, p), why);
        };
    if (report) plan.writeReport = [report](const std::wstring& text) { report->add(text); };
    return plan;
}

// The window follows the run: the bar and the figures from the bytes done, the caption per file.
void showEvent(const ShipRequest& request, const Event& event) {
    switch (event.kind) {
        case EventKind::kFileStarted:
            if (request.onFileStart && event.item < request.items.size()) request.onFileStart(request.items[event.item]);
            break;
        case EventKind::kBytesDone:
            if (request.onProgress && event.totalBytes)
                request.onProgress(std::min(100.0, static_cast<double>(event.bytes) * 100.0 /
                                                       static_cast<double>(event.totalBytes)));
            break;
        case EventKind::kFigures:
            if (request.onFigures) request.onFigures(event.text);
            break;
        case EventKind::kQuestion:
            ShowRunQuestion(event.question);
            break;
        default:
            break;
    }
}

ShipOutcome shipOutcomeOf(const Outcome& outcome, const ShipRequest& request, bool verify) {
    ShipOutcome ship;
    ship.cancelled = outcome.end == RunEnd::kCancelled;
    ship.manifest = outcome.manifest;
    for (size_t k = 0; k < outcome.items.size(); ++k) {
        for (const auto& file : outcome.items[k].files) {
            ShippedFile shipped;
            shipped.item = request.items[k];
            shipped.sha256 = file.sha256;
            shipped.bytes = file.file.bytes;
            shipped.verified = file.state == FileState::kVerified || (!verify && file.state == FileState::kShipped);
            switch (file.state) {
                case FileState::kShipped:
                case FileState::kVerified:
                    shipped.result = kCopyDone;
                    ++ship.shipped;
                    break;
                case FileState::kFailed:
                    shipped.result = kCopyFailed;
                    ++ship.failed;
                    break;
                case FileState::kNotShipped:
                    shipped.result = kCopyCancelled;
                    break;
            }
            // What was never tried is not listed: a cancelled copy is the last.
            if (file.state != FileState::kNotShipped || ship.files.empty() || ship.files.back().result != kCopyCancelled)
                ship.files.push_back(shipped);
        }
    }
    return ship;
}

}  // namespace

uint64_t ShipTotalBytes(const std::vector<ShipItem>& items) {
    uint64_t total = 0;
    for (const auto& item : items)
        total += FileSize(item.source).value_or(0);
    return total;
}

int CheckDestinationForRun(const std::wstring& destinationFolder, uint64_t bytes) {
    switch (CheckDestinationRoom(destinationFolder, bytes)) {
        case DestinationRoom::kFits:
            return 0;
        case DestinationRoom::kUnreachable:
            WriteLogTo(L"The destination " + destinationFolder + L" cannot be reached; nothing was shipped", RunReportPath());
            return 15;
        case DestinationRoom::kNoRoom:
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
    const bool verify = ShippingVerificationOn();
    std::shared_ptr<const Outcome> outcome;
    WindowSink sink([&](const Event& event) {
        showEvent(request, event);
        if (event.kind == EventKind::kEnded) outcome = event.outcome;
    });
    const auto report = request.report.reportFile.empty() ? nullptr : std::make_shared<ReportFile>(request.report.reportFile);
    Transfer transfer(shippingPlan(request, verify, report), sink);
    SetTransferInProgress(true);
    transfer.start();
    // The copy runs on the engine's threads; this thread only serves its windows meanwhile.
    ServeUntil([&] { return outcome != nullptr; }, request.cancelWindow, [&] { transfer.cancel(); });
    if (report) report->flush();  // the engine gave the last of it before its end event
    SetTransferInProgress(false);
    return shipOutcomeOf(*outcome, request, verify);
}

}  // namespace tess
