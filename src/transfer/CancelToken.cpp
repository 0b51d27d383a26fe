#include "transfer/CancelToken.h"

#include <algorithm>
#include <mutex>

namespace tess {

CancelToken::CancelToken() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CancelToken::cancel() {
    std::lock_guard<SlimLock> guard(lock_);
    if (cancelled_.exchange(true, std::memory_order_acq_rel)) return;
    if (event_) SetEvent(event_.get());
    for (auto& waker : wakers_) waker.second();
}

WaitResult CancelToken::wait(HANDLE handle, uint64_t timeoutMs) const {
    // A wait longer than a DWORD can say (49 days) is made of shorter ones.
    const uint64_t startMs = GetTickCount64();
    HANDLE handles[2] = {event_.get(), handle};
    const DWORD count = handle ? 2 : 1;
    for (;;) {
        if (cancelled()) return WaitResult::kCancelled;
        const uint64_t spentMs = GetTickCount64() - startMs;
        if (timeoutMs != kNoTimeLimit && spentMs >= timeoutMs) return WaitResult::kTimedOut;
        const uint64_t leftMs = timeoutMs == kNoTimeLimit ? INFINITE - 1 : timeoutMs - spentMs;
        const DWORD sliceMs = static_cast<DWORD>(std::min<uint64_t>(leftMs, INFINITE - 1));
        const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, sliceMs);
        if (woke == WAIT_OBJECT_0) return WaitResult::kCancelled;
        if (woke == WAIT_OBJECT_0 + 1) return cancelled() ? WaitResult::kCancelled : WaitResult::kSignalled;
        // Without the event (it could not be made) the flag is all there is; a failed wait must
        // not turn into a spin either.
        if (woke == WAIT_FAILED) return cancelled() ? WaitResult::kCancelled : WaitResult::kTimedOut;
    }
}

int CancelToken::addWaker(std::function<void()> wake) const {
    std::lock_guard<SlimLock> guard(lock_);
    wakers_.emplace_back(nextWaker_, std::move(wake));
    return nextWaker_++;
}

void CancelToken::removeWaker(int id) const {
    std::lock_guard<SlimLock> guard(lock_);
    wakers_.erase(std::remove_if(wakers_.begin(), wakers_.end(), [id](const auto& w) { return w.first == id; }),
                  wakers_.end());
}

}  // namespace tess
