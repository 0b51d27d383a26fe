#pragma once
// Everything a run tells whoever shows it, as events. A sink is called on the engine's threads,
// several at once, and must return at once: a window's sink queues the event and wakes its thread
// (QueueSink), a console's prints a line.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handle.h"
#include "transfer/CancelToken.h"
#include "transfer/Outcome.h"
#include "transfer/Sync.h"

namespace tess {

// A question a stage asks (the drive dropped out: Retry or Cancel?) and the slot for its reply.
// The stage waits on the reply together with the run's cancel; the window fills the slot from its
// message box, the console program at once with the safe answer.
class Question {
public:
    Question(int code, std::wstring text, int safeAnswer);
    int code() const { return code_; }
    const std::wstring& text() const { return text_; }
    int safeAnswer() const { return safeAnswer_; }
    // From any thread; only the first reply counts.
    void reply(int answer);
    // The reply, or none when the run is cancelled first.
    std::optional<int> wait(const CancelToken& cancel) const { return waitFor(cancel, kNoTimeLimit); }
    // The same, giving up after `timeoutMs` (none then too: cancel.cancelled() tells which).
    std::optional<int> waitFor(const CancelToken& cancel, uint64_t timeoutMs) const;
    // Whether a reply came (the one who asked may withdraw the question by replying itself).
    bool answered() const { return replied_.load(); }

private:
    int code_;
    std::wstring text_;
    int safeAnswer_;
    std::atomic<bool> replied_{false};
    int answer_ = 0;  // written before the event is set, read after it is seen
    UniqueHandle event_;
};

enum class EventKind {
    kDumpStarted,
    kDumpEnded,    // status, text: the reason when it did not succeed
    kDumpHeld,     // the item's dump waits until the copy takes the one before (the drive is behind)
    kDumpBytes,    // bytes: the dump written so far, totalBytes: its expected size (0: unknown),
                   // percent: its bar, text: its figures
    kFileStarted,
    kBytesDone,    // bytes: shipped so far in the run, totalBytes: what the run ships as now known
    kVerifyBytes,  // bytes: read back so far in the run, totalBytes: what the run ships as now known
    kCopied,       // sha256 of the source
    kVerified,
    kFailed,       // a file's copy or read-back: status, text
    kFigures,      // text: "1.25 GB of 4.00 GB, 85.3 MB/s, 0:42 left", once the last copy is made the
                   // read-back's "Verifying: ..."; empty hides them
    kQuestion,     // question
    kEnded,        // outcome
};

struct Event {
    EventKind kind = EventKind::kEnded;
    size_t item = 0;   // index in the plan
    size_t file = 0;   // index in the item's files (the plan's, then the dump's)
    std::wstring name; // the item's name, or the file's target
    StepStatus status = StepStatus::kDone;
    std::wstring text;
    uint64_t bytes = 0;
    uint64_t totalBytes = 0;
    double percent = 0;
    std::string sha256;
    std::shared_ptr<Question> question;
    std::shared_ptr<const Outcome> outcome;
};

class Sink {
public:
    virtual ~Sink() = default;
    virtual void onEvent(const Event& event) = 0;
};

// Bytes-done events at most every this often: a window repaints no faster, and a fast copy of
// small blocks would otherwise flood whoever shows them.
constexpr uint64_t kBytesEventEveryMs = 50;

// Events on a locked queue for another thread to take. `wake` is called only when the queue goes
// from empty to non-empty, so the thread that drains is woken once per batch however fast events
// come (a window posts itself one message; the console program sets an event it waits on).
class QueueSink : public Sink {
public:
    explicit QueueSink(std::function<void()> wake);
    void onEvent(const Event& event) override;
    // Everything queued so far, oldest first.
    std::vector<Event> drain();

private:
    std::function<void()> wake_;
    SlimLock lock_;
    std::vector<Event> events_;
};

}  // namespace tess
