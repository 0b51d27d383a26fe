#include "transfer/TransferStages.h"

#include <windows.h>

#include <algorithm>
#include <mutex>

#include "common/Files.h"
#include "transfer/BlockCopy.h"
#include "transfer/Journal.h"
#include "transfer/Manifest.h"
#include "common/Text.h"
#include "common/Units.h"

namespace tess {
namespace {

double secondsSince(uint64_t startMs) { return static_cast<double>(GetTickCount64() - startMs) / 1000.0; }

std::wstring dumpReason(const DumpResult& result) {
    if (!result.reason.empty()) return result.reason;
    return result.status == StepStatus::kTimedOut ? L"the dump did not end within its time limit" : L"the dump failed";
}

std::wstring endReason(RunEnd end) {
    switch (end) {
        case RunEnd::kCancelled: return L"the transfer was cancelled by the user";
        case RunEnd::kNoRoom: return L"the destination had no room left";
        case RunEnd::kUnreachable: return L"the destination could not be reached";
        case RunEnd::kFailed: return L"the transfer broke off (the trace says why)";
        case RunEnd::kCompleted: break;
    }
    return {};
}

// At most one bytes event every kBytesEventEveryMs.
bool eventDue(uint64_t& lastMs, uint64_t nowMs) {
    if (lastMs && nowMs - lastMs < kBytesEventEveryMs) return false;
    lastMs = nowMs;
    return true;
}

// A file the run settled early (a failed dump) carries its reason while still not shipped.
bool stillToShip(const FileOutcome& file) { return file.state == FileState::kNotShipped && file.reason.empty(); }

Event eventOf(EventKind kind, size_t item = 0, size_t file = 0, const std::wstring& name = {},
              const std::wstring& text = {}) {
    Event event;
    event.kind = kind;
    event.item = item;
    event.file = file;
    event.name = name;
    event.text = text;
    return event;
}

}  // namespace

TransferStages::TransferStages(const Plan& plan, Sink& sink, const CancelToken& run, const CancelToken& shipping,
                               std::function<void(RunEnd)> stop)
    : plan_(plan),
      sink_(sink),
      run_(run),
      shipping_(shipping),
      stop_(std::move(stop)),
      report_(plan.items.size(), plan.writeReport),
      toCopy_(plan.options.dumpsAhead, shipping),
      toVerify_(plan.options.copiesAhead, run),
      waiting_(plan.items.size()),
      known_(plan.items.size()),
      meter_(StartMeter(0)) {
    for (const auto& item : plan.items) outcome_.items.push_back(ItemOutcome{item.name, {}, {}, 0, {}});
    if (plan.journal) plan.journal->begin(plan);
}

StepContext TransferStages::contextFor(size_t item, const CancelToken& cancel) {
    StepContext context(cancel);
    context.report = [this, item](const std::wstring& line) { report_.add(item, line); };
    context.reportText = [this, item](const std::wstring& text) { report_.addText(item, text); };
    context.ask = [this, item, &cancel](int code, const std::wstring& text, int safeAnswer) {
        return ask(cancel, item, code, text, safeAnswer);
    };
    return context;
}

std::optional<int> TransferStages::ask(const CancelToken& cancel, size_t item, int code, const std::wstring& text,
                                       int safeAnswer) {
    Event event = eventOf(EventKind::kQuestion, item, 0, plan_.items[item].name, text);
    event.question = std::make_shared<Question>(code, text, safeAnswer);
    emit(event);
    return event.question->wait(cancel);
}

bool TransferStages::remove(const std::wstring& path) {
    return plan_.removeFile ? plan_.removeFile(path) : DeleteFileIfExists(path, true);
}

bool TransferStages::verifying() const { return plan_.options.verify && plan_.verifier; }

// ---- the dump stage ----

void TransferStages::dumpStage() {
    for (size_t k = 0; k < plan_.items.size(); ++k) {
        // The next dump waits for room in the queue before it starts, not after it ended: a
        // finished dump that waits for the drive is room taken in the temporary folder.
        const PlanItem& item = plan_.items[k];
        if (item.dump && toCopy_.full()) emit(eventOf(EventKind::kDumpHeld, k, 0, item.name));
        if (!toCopy_.waitForRoom()) break;
        std::vector<PlanFile> files = item.files;
        if (item.dump && !dumpItem(k, files)) {
            if (shipping_.cancelled()) break;
            continue;
        }
        if (!handOver(k, std::move(files), {})) break;
    }
    toCopy_.close();
}

// False when the dump did not succeed: a failed or timed-out dump settles its own item only.
bool TransferStages::dumpItem(size_t k, std::vector<PlanFile>& files) {
    const PlanItem& item = plan_.items[k];
    emit(eventOf(EventKind::kDumpStarted, k, 0, item.name));
    const uint64_t startMs = GetTickCount64();
    StepContext context = contextFor(k, shipping_);
    context.timeoutMs = plan_.options.dumpTimeoutMs;
    DumpMeter meter = StartDumpMeter(item.expectedBytes, nowMs());
    uint64_t lastEventMs = 0;
    context.dumpWritten = [&](uint64_t bytes) {
        const uint64_t now = nowMs();
        meter = AdvanceDumpMeter(std::move(meter), now, bytes);
        if (eventDue(lastEventMs, now)) emitDumpBytes(k, meter);
    };
    DumpResult result = item.dump->run(context);
    const bool done = result.status == StepStatus::kDone;
    if (done) emitDumpBytes(k, EndDumpMeter(std::move(meter), nowMs()));
    const std::wstring reason = done ? std::wstring() : dumpReason(result);
    {
        std::lock_guard<SlimLock> guard(lock_);
        ItemOutcome& outcome = outcome_.items[k];
        outcome.dump = result.status;
        outcome.dumpReason = reason;
        outcome.dumpSeconds = secondsSince(startMs);
    }
    Event ended = eventOf(EventKind::kDumpEnded, k, 0, item.name, reason);
    ended.status = result.status;
    emit(ended);
    if (done) {
        files.insert(files.end(), result.files.begin(), result.files.end());
        return true;
    }
    if (!shipping_.cancelled()) {
        report_.add(k, L"Not shipped " + item.name + L": " + reason);
        handOver(k, std::move(files), reason);
    }
    return false;
}

void TransferStages::emitDumpBytes(size_t k, const DumpMeter& meter) {
    Event event = eventOf(EventKind::kDumpBytes, k, 0, plan_.items[k].name, DumpFiguresText(meter));
    event.bytes = meter.bytes;
    event.totalBytes = meter.expectedBytes;
    event.percent = meter.percent;
    emit(event);
}

// The item's files become known: the copy stage takes them, or, with `notShipped` (why its dump
// failed), they are settled at once and the item is finished.
bool TransferStages::handOver(size_t k, std::vector<PlanFile> files, const std::wstring& notShipped) {
    const size_t count = files.size();
    const PlanItem& item = plan_.items[k];
    if (plan_.journal && notShipped.empty()) plan_.journal->known(k, files, item.dump || item.shipsDumps);
    {
        std::lock_guard<SlimLock> guard(lock_);
        for (auto& file : files) {
            FileOutcome outcome;
            outcome.file = std::move(file);
            outcome.reason = notShipped;
            outcome_.items[k].files.push_back(std::move(outcome));
        }
        known_[k] = true;
        waiting_[k] = notShipped.empty() ? count : 0;
    }
    if (count == 0 || !notShipped.empty()) {
        report_.finish(k);
        return true;
    }
    return toCopy_.push(k);
}

// ---- the copy stage ----

void TransferStages::copyStage() {
    for (;;) {
        // As the dump stage does: the next item is taken only once the read-back has room for it,
        // so that a slow read-back holds the dumps back too, and the temporary folder holds no
        // more than three: one read back, one copied and waiting for it, one waiting for the copy.
        if (verifying() && !toVerify_.waitForRoom()) break;
        const std::optional<size_t> k = toCopy_.pop();
        if (!k || !copyItem(*k)) break;
    }
    // From here the figures beside the bar are the read-back's. Whoever shows the run sees the
    // end of the last copy, however soon after the last event.
    copyEnded_.store(true);
    addShipped(0, true);
    toVerify_.close();
}

bool TransferStages::copyItem(size_t k) {
    for (size_t j = 0;; ++j) {
        PlanFile file;
        {
            std::lock_guard<SlimLock> guard(lock_);
            const auto& files = outcome_.items[k].files;
            if (j >= files.size()) return true;
            file = files[j].file;
        }
        if (shipping_.cancelled() || !roomFor(k, file) || !copyFile(k, j, file)) return false;
    }
}

bool TransferStages::roomFor(size_t k, const PlanFile& file) {
    // Before the first copy the room for everything still to come, as far as it is known (the
    // expected size of a dump not yet written); then each file's own.
    const uint64_t bytes = firstCopy_ ? bytesToShip(k, true) : file.bytes;
    firstCopy_ = false;
    if (!plan_.checkRoom) return true;
    const DestinationRoom room = plan_.checkRoom(bytes);
    if (room == DestinationRoom::kFits) return true;
    endShipping(k, room == DestinationRoom::kNoRoom ? RunEnd::kNoRoom : RunEnd::kUnreachable);
    return false;
}

void TransferStages::endShipping(size_t k, RunEnd end) {
    report_.add(k, end == RunEnd::kNoRoom
                       ? L"Insufficient disk space to ship the data to " + plan_.destination
                       : L"The destination " + plan_.destination + L" cannot be reached; nothing more was shipped");
    stop_(end);
}

bool TransferStages::copyFile(size_t k, size_t j, const PlanFile& file) {
    emit(eventOf(EventKind::kFileStarted, k, j, file.target));
    if (plan_.wording.started) report_.add(k, plan_.wording.started(plan_.items[k], file));
    const uint64_t startMs = GetTickCount64();
    StepContext context = contextFor(k, shipping_);
    const CopyResult result = copyHolding(k, j, file, context);
    {
        std::lock_guard<SlimLock> guard(lock_);
        FileOutcome& outcome = outcome_.items[k].files[j];
        outcome.bytes = result.bytes;
        outcome.sha256 = result.sha256;
        outcome.seconds = secondsSince(startMs);
    }
    if (result.status == StepStatus::kDone) {
        lastCopied_ = file.target;
        return copied(k, j, file, result);
    }
    if (result.status == StepStatus::kNoRoom) {
        endShipping(k, RunEnd::kNoRoom);
        return false;
    }
    if (shipping_.cancelled()) return false;
    failed(k, j, file, result.status, result.reason.empty() ? L"the copy failed" : result.reason);
    return true;
}

// The copy, tried again each time the drive it writes to comes back after it dropped out; each
// try resumes after what the drive kept. A try's bytes leave the meter when the next one begins,
// which counts the kept part again once proven.
CopyResult TransferStages::copyHolding(size_t k, size_t j, const PlanFile& file, StepContext& context) {
    if (!driveNoted_) {
        drive_ = NoteDrive(file.target);
        driveNoted_ = true;
    }
    uint64_t tried = 0;
    if (plan_.journal) plan_.journal->copying(k, j, 0);
    context.addBytes = [this, &tried, k, j](uint64_t byteCount) {
        tried += byteCount;
        addShipped(byteCount);
        if (plan_.journal) plan_.journal->copying(k, j, tried);
    };
    for (;;) {
        CopyResult result;
        if (plan_.copier) result = plan_.copier->copy(file, context);
        writtenBytes_ += result.bytes > result.keptBytes ? result.bytes - result.keptBytes : 0;
        resumed_ = resumed_ || result.keptBytes > 0 || result.status == StepStatus::kDriveGone;
        if (result.status != StepStatus::kDriveGone) return result;
        std::vector<std::wstring> evidence{file.target + kPartialSuffix};
        if (!lastCopied_.empty()) evidence.push_back(lastCopied_);
        if (!holdForDrive(k, file.target, evidence, shipping_, true)) {
            result.status = StepStatus::kCancelled;
            return result;
        }
        shippedBytes_ -= std::min(shippedBytes_, tried);
        tried = 0;
    }
}

// False when the run ends instead: cancelled by the user, or the drive did not come back in time.
// `evidence` are files of this run on the drive; `copying` tells the copy from the read-back.
bool TransferStages::holdForDrive(size_t k, const std::wstring& target, const std::vector<std::wstring>& evidence,
                                  const CancelToken& cancel, bool copying) {
    std::lock_guard<SlimLock> one(holdLock_);
    if (cancel.cancelled()) return false;
    const std::wstring what = copying ? L"copied" : L"read back";
    const auto probe = [this, &evidence] { return ProbeDrive(drive_, evidence); };
    HoldEnd end = HoldEnd::kTimedOut;
    if (!driveGivenUp_.load()) {
        report_.add(k, L"The destination drive " + drive_.root + L" stopped answering while " + target + L" was " +
                           what + L"; the run waits for it");
        // The other stage's hold may have just seen the drive come back: then nobody is asked.
        if (probe() == DriveAnswer::kSame) end = HoldEnd::kBack;
        else {
            DriveHold hold{cancel, drive_.root, {}, probe, plan_.options.drivePollMs, plan_.options.driveWaitMs};
            hold.ask = [this, k](int message, const std::wstring& text) {
                Event event = eventOf(EventKind::kQuestion, k, 0, plan_.items[k].name, text);
                event.question = std::make_shared<Question>(message, text, kAnswerRetry);
                emit(event);
                return event.question;
            };
            end = HoldForDrive(hold);
        }
    }
    switch (end) {
        case HoldEnd::kBack:
            report_.add(k, L"The destination drive " + drive_.root + L" answers again; " + target + L" is " + what +
                               (copying ? L" on from what the drive kept" : L" again"));
            return true;
        case HoldEnd::kCancelled:
            if (!cancel.cancelled()) stop_(RunEnd::kCancelled);
            return false;
        case HoldEnd::kTimedOut:
            break;
    }
    if (!driveGivenUp_.exchange(true)) endShipping(k, RunEnd::kUnreachable);
    return false;
}

bool TransferStages::copied(size_t k, size_t j, const PlanFile& file, const CopyResult& result) {
    Event event = eventOf(EventKind::kCopied, k, j, file.target);
    event.bytes = result.bytes;
    event.sha256 = result.sha256;
    emit(event);
    if (plan_.journal) plan_.journal->copied(k, j, result.sha256);
    if (plan_.wording.completed) report_.add(k, plan_.wording.completed(plan_.items[k], file));
    if (verifying()) {
        {
            std::lock_guard<SlimLock> guard(lock_);
            outcome_.items[k].files[j].state = FileState::kShipped;  // whole on the drive, not yet proven
        }
        return toVerify_.push({k, j});
    }
    // Without the read-back the digest taken while copying is all the proof the run asks for,
    // and the dump's room in the temporary folder is given back now.
    report_.add(k, L"Not verified " + file.target +
                       L": verification is off (VerifyShipping in vxwin.ini); the manifest holds the digest taken while copying");
    releaseDump(k, j, file);
    fileSettled(k, j, FileState::kShipped, {});
    return true;
}

void TransferStages::failed(size_t k, size_t j, const PlanFile& file, StepStatus status, const std::wstring& reason) {
    Event event = eventOf(EventKind::kFailed, k, j, file.target, reason);
    event.status = status;
    emit(event);
    if (plan_.wording.failed) report_.add(k, plan_.wording.failed(plan_.items[k], file, reason));
    fileSettled(k, j, FileState::kFailed, reason);
}

void TransferStages::fileSettled(size_t k, size_t j, FileState state, const std::wstring& reason) {
    bool itemDone;
    {
        std::lock_guard<SlimLock> guard(lock_);
        FileOutcome& outcome = outcome_.items[k].files[j];
        outcome.state = state;
        outcome.reason = reason;
        itemDone = waiting_[k] > 0 && --waiting_[k] == 0;
    }
    if (itemDone) report_.finish(k);
}

// A dump leaves the temporary folder once its copy is proven; files the plan named itself are
// not the run's to remove.
void TransferStages::releaseDump(size_t k, size_t j, const PlanFile& file) {
    const PlanItem& item = plan_.items[k];
    if (!item.shipsDumps && (!item.dump || j < item.files.size())) return;
    if (plan_.options.keepDumps)
        report_.add(k, L"Kept the dump " + file.source + L" in the temporary folder (KeepTemporaryDumps=1 in vxwin.ini)");
    else if (remove(file.source))
        report_.add(k, L"Removed the dump " + file.source + L" from the temporary folder");
    else
        report_.add(k, L"The dump " + file.source + L" could not be removed from the temporary folder");
}

// What the items from `from` on ship, as far as it is known now: the files of an item whose dump
// ended, the expected size of one not yet dumped; `pendingOnly` leaves out what was copied.
uint64_t TransferStages::bytesToShip(size_t from, bool pendingOnly) {
    std::lock_guard<SlimLock> guard(lock_);
    uint64_t total = 0;
    for (size_t k = from; k < plan_.items.size(); ++k) {
        if (!known_[k]) {
            total += plan_.items[k].expectedBytes;
            for (const auto& file : plan_.items[k].files) total += file.bytes;
            continue;
        }
        for (const auto& file : outcome_.items[k].files) {
            const bool settledEarly = file.state == FileState::kNotShipped && !file.reason.empty();
            if (pendingOnly ? stillToShip(file) : !settledEarly) total += file.file.bytes;
        }
    }
    return total;
}

uint64_t TransferStages::nowMs() const { return plan_.clockMs ? plan_.clockMs() : GetTickCount64(); }

// One step of a stage's meter: its bytes event, then the meter advanced; returns the figures text.
std::wstring TransferStages::meterStep(EventKind kind, uint64_t doneBytes, uint64_t now, ProgressMeter& meter) {
    Event event = eventOf(kind);
    event.bytes = doneBytes;
    event.totalBytes = std::max(bytesToShip(0, false), doneBytes);
    emit(event);
    meter.totalBytes = event.totalBytes;
    meter = AdvanceMeter(std::move(meter), now, doneBytes);
    return ProgressFiguresText(meter);
}

void TransferStages::addShipped(uint64_t byteCount, bool always) {
    shippedBytes_ += byteCount;
    const uint64_t now = nowMs();
    if (!eventDue(lastShippedEventMs_, now) && !always) return;
    const std::wstring figures = meterStep(EventKind::kBytesDone, shippedBytes_, now, meter_);
    if (copyEnded_.load() && verifying()) return;  // the read-back's figures take over
    if (!figures.empty()) emit(eventOf(EventKind::kFigures, 0, 0, {}, figures));
}

// The read-back runs beside the copy and is metered from its start, so that once the last copy is
// made its figures (prefixed "Verifying: ") follow on at once, with a throughput already known.
void TransferStages::addVerified(uint64_t byteCount) {
    verifiedBytes_ += byteCount;
    const uint64_t now = nowMs();
    if (!eventDue(lastVerifiedEventMs_, now)) return;
    const std::wstring figures = meterStep(EventKind::kVerifyBytes, verifiedBytes_, now, verifyMeter_);
    if (!copyEnded_.load()) return;  // the figures are the copy's while it goes on
    if (!figures.empty()) emit(eventOf(EventKind::kFigures, 0, 0, {}, L"Verifying: " + figures));
}

// ---- the verify stage ----

void TransferStages::verifyStage() {
    while (const std::optional<VerifyJob> job = toVerify_.pop())
        if (!verifyFile(*job)) break;
}

bool TransferStages::verifyFile(const VerifyJob& job) {
    FileOutcome copy;
    {
        std::lock_guard<SlimLock> guard(lock_);
        copy = outcome_.items[job.item].files[job.file];
    }
    const uint64_t startMs = GetTickCount64();
    const VerifyResult read = readBackHolding(job, copy.file.target);
    if (run_.cancelled()) return false;
    {
        std::lock_guard<SlimLock> guard(lock_);
        outcome_.items[job.item].files[job.file].seconds += secondsSince(startMs);
    }
    const std::wstring& target = copy.file.target;
    if (read.status == StepStatus::kDone && !copy.sha256.empty() && read.sha256 == copy.sha256) {
        emit(eventOf(EventKind::kVerified, job.item, job.file, target));
        report_.add(job.item, L"Verified " + target + L" (SHA-256 " + FromAnsi(copy.sha256) + L")");
        if (plan_.journal) plan_.journal->verified(job.item, job.file);
        releaseDump(job.item, job.file, copy.file);
        fileSettled(job.item, job.file, FileState::kVerified, {});
        return true;
    }
    std::wstring reason = read.reason.empty() ? L"the copy could not be read back" : read.reason;
    if (read.status == StepStatus::kDone)
        reason = L"the copy on the drive differs from the source (SHA-256 " + FromAnsi(read.sha256) + L", expected " +
                 FromAnsi(copy.sha256) + L")";
    // A copy that does not read back as its source is no copy: it leaves the final name. One on a
    // drive that is gone stays for a stopped run's finish to prove.
    if (read.status == StepStatus::kDriveGone) {
        report_.add(job.item, L"Not verified " + target + L": " + reason);
    } else {
        remove(target);
        report_.add(job.item, L"Not verified " + target + L": " + reason + L"; the copy was removed");
    }
    failed(job.item, job.file, copy.file, StepStatus::kFailed, reason);
    return true;
}

// The read-back, read again from the start each time the drive comes back after it dropped out;
// a try's bytes leave the meter when the next one begins.
VerifyResult TransferStages::readBackHolding(const VerifyJob& job, const std::wstring& target) {
    uint64_t tried = 0;
    StepContext context = contextFor(job.item, run_);
    context.addBytes = [this, &tried](uint64_t byteCount) {
        tried += byteCount;
        addVerified(byteCount);
    };
    for (;;) {
        VerifyResult read = plan_.verifier->readBack(target, context);
        if (read.status != StepStatus::kDriveGone || !holdForDrive(job.item, target, {target}, run_, false)) return read;
        verifiedBytes_ -= std::min(verifiedBytes_, tried);
        tried = 0;
    }
}

// ---- the end ----

void TransferStages::writeManifest(std::vector<std::wstring>& runLines) {
    const std::wstring& folder = plan_.manifestFolder;
    std::vector<ManifestEntry> entries;
    for (const auto& item : outcome_.items)
        for (const auto& file : item.files) {
            const bool proven = file.state == FileState::kVerified || (file.state == FileState::kShipped && !verifying());
            if (!proven || file.sha256.empty()) continue;
            if (auto path = ManifestRelativePath(folder, file.file.target)) entries.push_back({file.sha256, *path});
        }
    if (entries.empty()) return;
    if (auto path = UpdateManifest(folder, entries)) outcome_.manifest = *path;
    else runLines.push_back(L"The checksum manifest could not be written in " + folder);
}

Outcome TransferStages::finish(RunEnd end, double seconds) {
    std::lock_guard<SlimLock> guard(lock_);  // the stages have stopped; the lock only keeps the rule
    const std::wstring why = endReason(end);
    for (size_t k = 0; k < outcome_.items.size(); ++k) {
        ItemOutcome& item = outcome_.items[k];
        if (!known_[k]) {
            // A dump that never ran, or that the end of the run ended.
            if (plan_.items[k].dump && (!item.dump || *item.dump == StepStatus::kCancelled)) item.dumpReason = why;
            for (const auto& file : plan_.items[k].files) {
                item.files.emplace_back().file = file;
                item.files.back().reason = why;
            }
        }
        for (auto& file : item.files) {
            if (stillToShip(file)) file.reason = why;
            // After a cancel the copies already made are whole but not read back: reported, and
            // left out of the manifest.
            if (file.state == FileState::kShipped && verifying() && file.reason.empty()) {
                file.reason = why;
                report_.add(k, L"Not verified " + file.file.target + L": " + why);
            }
            if (file.state == FileState::kShipped || file.state == FileState::kVerified) outcome_.shippedBytes += file.bytes;
        }
    }
    std::vector<std::wstring> runLines;
    if (!plan_.manifestFolder.empty()) writeManifest(runLines);
    if (end == RunEnd::kCancelled) runLines.push_back(L"The data transfer was cancelled by the user.");
    outcome_.writtenBytes = writtenBytes_;
    const uint64_t bytes = outcome_.shippedBytes;
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : static_cast<double>(bytes);
    const auto tenths = static_cast<uint64_t>(seconds * 10);
    runLines.push_back(L"Shipped " + std::to_wstring(bytes) + L" bytes (" + GetProperSizeValue(static_cast<double>(bytes)) +
                       L") in " + std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" s, average " +
                       GetProperSizeValue(rate) + L"/s; " +
                       (outcome_.manifest.empty() ? L"no checksum manifest" : L"checksum manifest " + outcome_.manifest));
    if (resumed_)
        runLines.push_back(L"Wrote " + std::to_wstring(writtenBytes_) + L" bytes to the destination in this run for " +
                           std::to_wstring(bytes) + L" bytes shipped");
    report_.close(runLines);
    emit(eventOf(EventKind::kFigures));  // no text: the figures beside the bar go
    outcome_.end = end;
    outcome_.seconds = seconds;
    if (plan_.journal) plan_.journal->ended(end == RunEnd::kCompleted);
    return outcome_;
}

}  // namespace tess
