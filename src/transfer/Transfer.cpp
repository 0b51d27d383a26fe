#include "transfer/Transfer.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "common/Log.h"
#include "common/Text.h"
#include "transfer/SystemCalls.h"
#include "transfer/TransferStages.h"

namespace tess {

Transfer::Transfer(Plan plan, Sink& sink) : plan_(std::move(plan)), sink_(sink) {}

Transfer::~Transfer() {
    if (!thread_.joinable()) return;
    cancel();
    thread_.join();
}

void Transfer::cancel() { stop(RunEnd::kCancelled); }

// The first reason to stop is the one the run ends with. A full destination stops only the
// dumping and the copying: what is on the drive is still read back.
void Transfer::stop(RunEnd end) {
    RunEnd running = RunEnd::kCompleted;
    end_.compare_exchange_strong(running, end);
    shipping_.cancel();
    if (end == RunEnd::kCancelled || end == RunEnd::kFailed) cancel_.cancel();
}

Outcome Transfer::run() {
    // This thread lasts the whole run: the machine stays awake until the run ends, however it
    // ends, and may sleep before whoever shows the run hears of its end.
    std::optional<StayAwake> awake;
    awake.emplace();
    const uint64_t startMs = GetTickCount64();
    TransferStages stages(plan_, sink_, cancel_, shipping_, [this](RunEnd end) { stop(end); });
    std::vector<std::thread> threads;
    for (auto stage : {&TransferStages::dumpStage, &TransferStages::copyStage, &TransferStages::verifyStage}) {
        // A stage that breaks off must not leave the others waiting on its queue.
        auto guarded = [this, &stages, stage] {
            try {
                (stages.*stage)();
            } catch (const std::exception& e) {
                TraceError(L"Transfer", L": " + FromAnsi(e.what()));
                stop(RunEnd::kFailed);
            }
        };
        try {
            threads.emplace_back(guarded);
        } catch (const std::exception& e) {
            TraceError(L"Transfer", L": no thread for a stage: " + FromAnsi(e.what()));
            stop(RunEnd::kFailed);
        }
    }
    for (auto& thread : threads) thread.join();
    const auto outcome = std::make_shared<const Outcome>(
        stages.finish(end_.load(), static_cast<double>(GetTickCount64() - startMs) / 1000.0));
    awake.reset();
    Event ended;
    ended.kind = EventKind::kEnded;
    ended.outcome = outcome;
    sink_.onEvent(ended);
    return *outcome;
}

void Transfer::start() {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::exception& e) {
        // Without a thread the run ends at once, and says so as any run does.
        TraceError(L"Transfer", L": no thread for the run: " + FromAnsi(e.what()));
        stop(RunEnd::kFailed);
        run();
    }
}

}  // namespace tess
