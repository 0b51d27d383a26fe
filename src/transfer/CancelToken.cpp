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
    HANDLE handles[2];
    DWORD count = 0;
    if (event_) handles[count++] = event_.get();
    if (handle) handles[count++] = handle;
    // A wait longer than a DWORD can say (49 days) is made of shorter ones; a limit of 0 still
    // looks at the handle once.
    const uint64_t startMs = GetTickCount64();
    for (;;) {
        const uint64_t spentMs = GetTickCount64() - startMs;
        const uint64_t leftMs = timeoutMs == kNoTimeLimit ? INFINITE - 1 : timeoutMs - std::min(spentMs, timeoutMs);
        const DWORD sliceMs = static_cast<DWORD>(std::min<uint64_t>(leftMs, INFINITE - 1));
        DWORD woke = WAIT_TIMEOUT;
        if (count) woke = WaitForMultipleObjects(count, handles, FALSE, sliceMs);
        else Sleep(sliceMs);  // without an event of its own (none could be made) a pause is all there is
        if (cancelled()) return WaitResult::kCancelled;
        if (handle && woke == WAIT_OBJECT_0 + count - 1) return WaitResult::kSignalled;
        if (woke != WAIT_TIMEOUT || leftMs == 0) return WaitResult::kTimedOut;  // a failed wait must not spin
    }
}

WaitResult CancelToken::waitWatching(HANDLE handle, uint64_t timeoutMs, uint64_t everyMs,
                                     const std::function<void()>& look) const {
    const uint64_t startMs = GetTickCount64();
    for (;;) {
        const uint64_t spentMs = GetTickCount64() - startMs;
        const uint64_t leftMs = timeoutMs == kNoTimeLimit ? kNoTimeLimit : timeoutMs - std::min(spentMs, timeoutMs);
        const bool last = !look || leftMs <= everyMs;
        const WaitResult result = wait(handle, last ? leftMs : everyMs);
        if (result != WaitResult::kTimedOut || last) return result;
        look();
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
