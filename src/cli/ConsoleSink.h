#pragma once
// The engine's events on standard output, for a person at a console or a script reading the
// lines: text lines (what is dumped, shipped, verified or failed, and the figures with
// throughput and time left), or one JSON object a line with --json. The figures and the bytes
// come at most once a second when standard output is not a console; a question is answered at
// once with its safe answer.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "transfer/Sink.h"

namespace tess::cli {

class ConsoleSink : public Sink {
public:
    using Clock = std::function<uint64_t()>;
    using Writer = std::function<void(const std::wstring& line)>;
    // `paceMs`: the least time between two figures lines (or progress objects).
    ConsoleSink(bool json, uint64_t paceMs, Writer writer, Clock clock = nullptr);
    void onEvent(const Event& event) override;

    // The pace for this process's standard output: four lines a second on a console, one when
    // the output goes to a file or a pipe.
    static uint64_t PaceForStdout();

private:
    void text(const Event& event);
    void json(const Event& event);
    bool due(size_t stream);

    bool json_;
    uint64_t paceMs_;
    Writer writer_;
    Clock clock_;
    std::mutex lock_;
    // Per paced stream (the figures or the copy's bytes, the read-back's bytes, the dump's bytes): when last written.
    uint64_t lastPacedMs_[3] = {};
    bool pacedOnce_[3] = {};
};

// The name a status has in the output and the report ("done", "failed", "timedOut", ...).
const char* StatusName(StepStatus status);

}  // namespace tess::cli
