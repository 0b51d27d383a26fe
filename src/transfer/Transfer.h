#pragma once
// A run of a plan on worker threads: a dump stage (one companion tool at a time), a copy stage (one
// file at a time to the drive) and a verify stage (the read-back), with bounded queues between
// them, so that item k+1 dumps while item k's dump is copied and read back. A failed or timed-out
// dump skips only its own shipping; a destination that can no longer take a file ends the
// shipping; a cancel stops every stage. Whoever shows the run learns of it through the sink.
#include <atomic>
#include <thread>

#include "transfer/CancelToken.h"
#include "transfer/Outcome.h"
#include "transfer/Plan.h"
#include "transfer/Sink.h"

namespace tess {

class Transfer {
public:
    // `sink` outlives the transfer. One run per transfer.
    Transfer(Plan plan, Sink& sink);
    // Cancels a run still going and waits for its stages to stop.
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Runs the plan to its end (or its cancel) and returns when every stage has stopped, after
    // the report is written and the kEnded event is out.
    Outcome run();
    // The same on a thread of its own, for a caller that keeps its own loop (a window): the
    // kEnded event carries the outcome.
    void start();
    // From any thread (Esc, the window's close, Ctrl+C): every wait of the run ends, the dump step
    // ends its tool, the copy leaves no file at a final name, and run() returns.
    void cancel();
    const CancelToken& cancelToken() const { return cancel_; }

private:
    void stop(RunEnd end);

    Plan plan_;
    Sink& sink_;
    CancelToken cancel_;    // the user's: every stage stops
    CancelToken shipping_;  // the shipping's: the dump and copy stages stop (set by cancel_ too)
    std::atomic<RunEnd> end_{RunEnd::kCompleted};
    std::thread thread_;
};

}  // namespace tess
