#pragma once
// The three stages of a Transfer and what they share; used by Transfer only. Each stage runs on a
// thread of its own; what two stages both touch (the outcome, the files each item still waits
// for) is under one lock, and the queues carry the items from one stage to the next.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transfer/Progress.h"
#include "transfer/CancelToken.h"
#include "transfer/DriveHold.h"
#include "transfer/Outcome.h"
#include "transfer/Plan.h"
#include "transfer/ReportWriter.h"
#include "transfer/Sink.h"
#include "transfer/StageQueue.h"
#include "transfer/Sync.h"

namespace tess {

class TransferStages {
public:
    // `run` stops every stage, `shipping` the dump and copy stages; `stop` ends the run early
    // (the shipping when the destination is full, everything when a step broke off).
    TransferStages(const Plan& plan, Sink& sink, const CancelToken& run, const CancelToken& shipping,
                   std::function<void(RunEnd)> stop);

    void dumpStage();
    void copyStage();
    void verifyStage();
    // After the stages stopped: what is left unfinished gets its reason, the manifest and the
    // report are written.
    Outcome finish(RunEnd end, double seconds);

private:
    struct VerifyJob {
        size_t item = 0;
        size_t file = 0;
    };

    bool dumpItem(size_t item, std::vector<PlanFile>& files);
    void emitDumpBytes(size_t item, const DumpMeter& meter);
    bool handOver(size_t item, std::vector<PlanFile> files, const std::wstring& notShipped);
    bool copyItem(size_t item);
    bool roomFor(size_t item, const PlanFile& file);
    bool copyFile(size_t item, size_t index, const PlanFile& file);
    CopyResult copyHolding(size_t item, size_t index, const PlanFile& file, StepContext& context);
    bool holdForDrive(size_t item, const std::wstring& target, const std::vector<std::wstring>& evidence,
                      const CancelToken& cancel, bool copying);
    bool verifyFile(const VerifyJob& job);
    VerifyResult readBackHolding(const VerifyJob& job, const std::wstring& target);
    bool copied(size_t item, size_t index, const PlanFile& file, const CopyResult& result);
    void failed(size_t item, size_t index, const PlanFile& file, StepStatus status, const std::wstring& reason);
    void releaseDump(size_t item, size_t index, const PlanFile& file);
    void fileSettled(size_t item, size_t index, FileState state, const std::wstring& reason);
    void endShipping(size_t item, RunEnd end);

    StepContext contextFor(size_t item, const CancelToken& cancel);
    std::optional<int> ask(const CancelToken& cancel, size_t item, int code, const std::wstring& text, int safeAnswer);
    void emit(const Event& event) { sink_.onEvent(event); }
    void addShipped(uint64_t byteCount, bool always = false);
    void addVerified(uint64_t byteCount);
    std::wstring meterStep(EventKind kind, uint64_t doneBytes, uint64_t now, ProgressMeter& meter);
    uint64_t nowMs() const;
    uint64_t bytesToShip(size_t fromItem, bool pendingOnly);
    void writeManifest(std::vector<std::wstring>& runLines);
    bool remove(const std::wstring& path);
    bool verifying() const;

    const Plan& plan_;
    Sink& sink_;
    const CancelToken& run_;
    const CancelToken& shipping_;
    std::function<void(RunEnd)> stop_;
    ReportWriter report_;
    StageQueue<size_t> toCopy_;
    StageQueue<VerifyJob> toVerify_;

    SlimLock lock_;                // guards outcome_ and waiting_
    // A drive that drops out fails the copy and the read-back alike: one stage holds and asks at a
    // time, and once one gave up waiting the other does not wait again.
    SlimLock holdLock_;
    std::atomic<bool> driveGivenUp_{false};
    Outcome outcome_;
    std::vector<size_t> waiting_;  // per item: its files not yet settled
    std::vector<bool> known_;      // per item: its files are known (dumped, or no dump step)

    // The copy stage's own.
    bool firstCopy_ = true;
    uint64_t shippedBytes_ = 0;
    uint64_t lastShippedEventMs_ = 0;
    ProgressMeter meter_;
    std::atomic<bool> copyEnded_{false};  // set by the copy stage when it has nothing left to copy
    DriveIdentity drive_;    // noted at the first copy: a drive that comes back must be this one
    bool driveNoted_ = false;
    std::wstring lastCopied_;  // the last copy made: proof that a drive that comes back is the run's
    uint64_t writtenBytes_ = 0;
    bool resumed_ = false;  // a copy went on after a kept part or held for its drive
    // The verify stage's own.
    uint64_t verifiedBytes_ = 0;
    uint64_t lastVerifiedEventMs_ = 0;
    ProgressMeter verifyMeter_;
};

}  // namespace tess
