#include "transfer/Sink.h"

#include <mutex>

namespace tess {

Question::Question(int code, std::wstring text, int safeAnswer)
    : code_(code), text_(std::move(text)), safeAnswer_(safeAnswer), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void Question::reply(int answer) {
    if (replied_.exchange(true)) return;
    answer_ = answer;
    SetEvent(event_.get());
}

std::optional<int> Question::waitFor(const CancelToken& cancel, uint64_t timeoutMs) const {
    // Without an event of its own the question can only be answered safely.
    if (!event_) return cancel.cancelled() ? std::nullopt : std::optional<int>(safeAnswer_);
    if (cancel.wait(event_.get(), timeoutMs) != WaitResult::kSignalled) return std::nullopt;
    return answer_;
}

QueueSink::QueueSink(std::function<void()> wake) : wake_(std::move(wake)) {}

void QueueSink::onEvent(const Event& event) {
    bool wasEmpty;
    {
        std::lock_guard<SlimLock> guard(lock_);
        wasEmpty = events_.empty();
        events_.push_back(event);
    }
    // Outside the lock: a drain between the push and the wake-up only makes the wake-up find an
    // empty queue, and a push meanwhile finds a non-empty one and leaves the waking to this one.
    if (wasEmpty && wake_) wake_();
}

std::vector<Event> QueueSink::drain() {
    std::lock_guard<SlimLock> guard(lock_);
    return std::exchange(events_, {});
}

}  // namespace tess
