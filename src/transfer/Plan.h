#pragma once
// What one run does: its items in order (an item is one database or one backup set: an optional
// dump step, then the files it yields, each with its target), where they go, and the steps that do
// the work. The engine knows the order and the rules; the steps know the companion tools, the
// drive and the digests, so that the real ones and the tests' stand-ins plug in alike.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/CancelToken.h"

namespace tess {

struct PlanFile {
    std::wstring source;
    std::wstring target;  // the full path of the copy
    uint64_t bytes = 0;   // the source's size, as far as it is known (the room check counts it)
};

// kDriveGone: the destination stopped answering (unplugged, not ready); what it holds is kept.
enum class StepStatus { kDone, kFailed, kTimedOut, kCancelled, kNoRoom, kDriveGone };

// What a step gets from the engine for one call.
struct StepContext {
    explicit StepContext(const CancelToken& runCancel) : cancel(runCancel) {}
    const CancelToken& cancel;  // every wait of the step also waits on it
    uint64_t timeoutMs = kNoTimeLimit;
    // A line for the item's part of the run report (kept with the item however stages interleave).
    std::function<void(const std::wstring& line)> report;
    // Text already in the report's form (the companion tool's own log), added as it is.
    std::function<void(const std::wstring& text)> reportText;
    // Copy and read-back: the bytes done since the last call (call it as often as suits).
    std::function<void(uint64_t byteCount)> addBytes;
    // Dump: what the tool has written so far, told while it runs (a few times a second).
    std::function<void(uint64_t bytesSoFar)> dumpWritten;
    // Asks the user (the window's message box, the console's answer) and waits for the reply
    // together with the cancel: the reply, or none when the run was cancelled meanwhile.
    std::function<std::optional<int>(int code, const std::wstring& text, int safeAnswer)> ask;
};

struct DumpResult {
    StepStatus status = StepStatus::kFailed;
    std::wstring reason;          // why it did not end with kDone, for the report and the window
    std::vector<PlanFile> files;  // what it produced, in the order they are to be shipped
};

// Runs one companion tool (bounded by context.timeoutMs) and says what it left. On a cancel it
// ends the tool it started before it returns kCancelled.
class DumpStep {
public:
    virtual ~DumpStep() = default;
    virtual DumpResult run(StepContext& context) = 0;
};

struct CopyResult {
    StepStatus status = StepStatus::kFailed;  // kNoRoom: the drive filled up (a short write)
    std::wstring reason;
    uint64_t bytes = 0;
    std::string sha256;  // lower-case hex of the bytes read from the source, when done
    uint64_t keptBytes = 0;  // of `bytes`, what an earlier copy left on the drive, proven and not written again
};

// Copies one file at a time, on the copy stage's thread: written as `<target>.partial` and
// renamed to the target only when whole; whatever ends it early removes the partial file, but a
// drive that dropped out (kDriveGone) keeps it for the copy to resume from.
class FileCopier {
public:
    virtual ~FileCopier() = default;
    virtual CopyResult copy(const PlanFile& file, StepContext& context) = 0;
};

struct VerifyResult {
    StepStatus status = StepStatus::kFailed;
    std::wstring reason;
    std::string sha256;  // of what the drive gave back
};

// Reads a copy back from the drive, on the verify stage's thread; kDriveGone when the drive
// stopped answering (the run holds for it and reads the file again).
class Verifier {
public:
    virtual ~Verifier() = default;
    virtual VerifyResult readBack(const std::wstring& target, StepContext& context) = 0;
};

struct PlanItem {
    std::wstring name;  // what the report and the events call it (a database, a backup set)
    std::shared_ptr<DumpStep> dump;  // none: the files below are shipped as they are
    std::vector<PlanFile> files;     // shipped first, then what the dump yields
    uint64_t expectedBytes = 0;      // what the dump is expected to weigh (the list tool's size)
    bool shipsDumps = false;  // the files are dumps an earlier, stopped run left (they go once verified)
};

struct PlanOptions {
    bool verify = true;
    bool keepDumps = false;              // KeepTemporaryDumps=1: the dumps stay in the temporary folder
    uint64_t dumpTimeoutMs = kNoTimeLimit;  // each dump step's limit
    // Dumps finished and not yet taken by the copy, and copies waiting for their read-back; with
    // one each, the next dump runs beside the copy and the read-back while the temporary folder
    // holds no more than three dumps.
    size_t dumpsAhead = 1;
    size_t copiesAhead = 1;
    // A destination drive that stopped answering is looked at this often, and waited for at most
    // this long before the shipping ends as unreachable.
    uint64_t drivePollMs = 1000;
    uint64_t driveWaitMs = 60 * 60 * 1000;
};

enum class DestinationRoom { kFits, kUnreachable, kNoRoom };

// The report lines the area words for its kind of file; an empty function adds none.
struct ReportWording {
    std::function<std::wstring(const PlanItem&, const PlanFile&)> started, completed;
    std::function<std::wstring(const PlanItem&, const PlanFile&, const std::wstring& reason)> failed;
};

class Journal;

struct Plan {
    std::vector<PlanItem> items;
    std::wstring destination;
    std::wstring manifestFolder;  // empty: no checksum manifest
    PlanOptions options;
    std::shared_ptr<FileCopier> copier;
    std::shared_ptr<Verifier> verifier;  // needed when options.verify
    ReportWording wording;
    // Whether the destination can take this many more bytes; empty: it can.
    std::function<DestinationRoom(uint64_t bytes)> checkRoom;
    // Removes a file: a dump once its copy is verified, a copy that did not read back as its
    // source. Empty: deleted from the disk.
    std::function<bool(const std::wstring& path)> removeFile;
    // The clock of the progress figures and of the bytes events' pace; empty: GetTickCount64.
    std::function<uint64_t()> clockMs;
    // Appends finished report text (formatted lines, CR LF between them); empty: no report.
    std::function<void(const std::wstring& text)> writeReport;
    // Where the run notes how far each file got, for a stopped run to be finished; none: nowhere.
    std::shared_ptr<Journal> journal;
};

}  // namespace tess
