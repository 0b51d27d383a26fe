#pragma once
// A run's cancel: a flag, a manual-reset event for the waits on system objects (a companion tool's
// process, a reply to a question) and wake-ups for the waits on the stages' conditions, so that
// every wait of the engine ends when the run is cancelled, wherever it waits.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Handle.h"
#include "transfer/Sync.h"

namespace tess {

constexpr uint64_t kNoTimeLimit = UINT64_MAX;

enum class WaitResult { kSignalled, kTimedOut, kCancelled };

class CancelToken {
public:
    CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // From any thread, any number of times; the first call counts.
    void cancel();
    bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }
    // Signalled once cancelled: for waits on several objects at once.
    HANDLE event() const { return event_.get(); }

    // Waits for `handle` (a process, an event; null: only the time and the cancel) at most
    // `timeoutMs`. A cancel wins over a handle signalled at the same moment.
    [[nodiscard]] WaitResult wait(HANDLE handle, uint64_t timeoutMs) const;
    // The same, calling `look` every `everyMs` while it waits (a growing dump's size for its bar).
    [[nodiscard]] WaitResult waitWatching(HANDLE handle, uint64_t timeoutMs, uint64_t everyMs,
                                          const std::function<void()>& look) const;

    // Called once from cancel() (under the token's lock, so a waker may take its own lock but
    // must not call back into the token). A waker must be removed before what it wakes goes away.
    int addWaker(std::function<void()> wake) const;
    void removeWaker(int id) const;

private:
    std::atomic<bool> cancelled_{false};
    UniqueHandle event_;
    mutable SlimLock lock_;
    mutable std::vector<std::pair<int, std::function<void()>>> wakers_;
    mutable int nextWaker_ = 0;
};

}  // namespace tess
