#pragma once
// The lock and the condition the engine's stages hand work over with. They are the system's slim
// lock and condition variable rather than std::mutex and std::condition_variable: those come from
// winpthreads, whose contended waits go through kernel objects (a round trip to the wineserver
// under Wine), where these wait in the process, as the digest's hand-over does.
#include <windows.h>

namespace tess {

// Meets BasicLockable, so std::lock_guard and std::unique_lock take it.
class SlimLock {
public:
    SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native() { return &lock_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class Condition {
public:
    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;
    // `lock` is held by the caller; it is released while waiting and held again on return.
    template <typename Predicate>
    void wait(SlimLock& lock, Predicate done) {
        while (!done()) SleepConditionVariableSRW(&condition_, lock.native(), INFINITE, 0);
    }
    void wakeAll() { WakeAllConditionVariable(&condition_); }

private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

}  // namespace tess
