#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace bspatch {

// A queue of at most `capacity` items between one producer and one consumer thread.
// close() lets the consumer drain what is left; abort() wakes both sides at once so that
// a failure on any thread stops the others without waiting for work nobody will use.
template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

    // False when the queue was aborted; the item is then dropped.
    bool push(T item) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return aborted_ || items_.size() < capacity_; });
        if (aborted_) {
            return false;
        }
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }

    // Nothing when the queue is aborted, or closed and drained.
    std::optional<T> pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return aborted_ || closed_ || !items_.empty(); });
        if (aborted_ || items_.empty()) {
            return std::nullopt;
        }
        T item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return item;
    }

    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        notEmpty_.notify_all();
    }

    void abort() {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        notEmpty_.notify_all();
        notFull_.notify_all();
    }

    bool aborted() const {
        std::lock_guard lock(mutex_);
        return aborted_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
    std::deque<T> items_;
    std::size_t capacity_;
    bool closed_ = false;
    bool aborted_ = false;
};

}  // namespace bspatch
