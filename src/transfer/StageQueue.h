#pragma once
// The bounded queue between two stages of a run: the stage before puts work in, the stage after
// takes it out in the same order. The bound is what keeps a fast stage from running ahead of a
// slow one (a dump stage from filling the temporary folder while the drive is behind). Every wait
// also ends when the run is cancelled.
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

#include "transfer/CancelToken.h"
#include "transfer/Sync.h"

namespace tess {

template <typename T>
class StageQueue {
public:
    StageQueue(size_t capacity, const CancelToken& cancel)
        : capacity_(capacity ? capacity : 1), cancel_(cancel), waker_(cancel.addWaker([this] {
              std::lock_guard<SlimLock> guard(lock_);
              changed_.wakeAll();
          })) {}
    ~StageQueue() { cancel_.removeWaker(waker_); }
    StageQueue(const StageQueue&) = delete;
    StageQueue& operator=(const StageQueue&) = delete;

    bool full() {
        std::lock_guard<SlimLock> guard(lock_);
        return items_.size() >= capacity_;
    }
    // Waits until one more item fits. False when the run was cancelled or the queue closed.
    bool waitForRoom() {
        std::lock_guard<SlimLock> guard(lock_);
        return waitForRoomLocked();
    }
    bool push(T item) {
        std::lock_guard<SlimLock> guard(lock_);
        if (!waitForRoomLocked()) return false;
        items_.push_back(std::move(item));
        changed_.wakeAll();
        return true;
    }
    // The next item; none once the queue is closed and empty, or when the run was cancelled.
    std::optional<T> pop() {
        std::lock_guard<SlimLock> guard(lock_);
        changed_.wait(lock_, [this] { return cancel_.cancelled() || closed_ || !items_.empty(); });
        if (cancel_.cancelled() || items_.empty()) return std::nullopt;
        std::optional<T> item(std::move(items_.front()));
        items_.pop_front();
        changed_.wakeAll();
        return item;
    }
    // Nothing more comes: pop() returns what is left, then none.
    void close() {
        std::lock_guard<SlimLock> guard(lock_);
        closed_ = true;
        changed_.wakeAll();
    }

private:
    bool waitForRoomLocked() {
        changed_.wait(lock_, [this] { return cancel_.cancelled() || closed_ || items_.size() < capacity_; });
        return !cancel_.cancelled() && !closed_;
    }

    const size_t capacity_;
    const CancelToken& cancel_;
    SlimLock lock_;
    Condition changed_;
    std::deque<T> items_;
    bool closed_ = false;
    const int waker_;
};

}  // namespace tess
