#pragma once
// A first-in, first-out queue between threads that holds at most a fixed
// number of items: push() waits while it is full, so a fast producer is held
// back to the pace of its consumers and memory stays bounded; pop() waits
// while it is empty. close() wakes every waiter: after it push() refuses and
// pop() hands out what is left, then reports the end.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace picture {

template <typename T>
class BoundedQueue {
  public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

    // Waits for room, then appends `item`; false (the item dropped) once the
    // queue is closed.
    bool push(T item) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [this] { return closed_ || items_.size() < capacity_; });
        if (closed_) return false;
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }

    // Waits for an item and takes the oldest; nothing once the queue is
    // closed and empty.
    std::optional<T> pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (items_.empty()) return std::nullopt;
        std::optional<T> item(std::move(items_.front()));
        items_.pop_front();
        notFull_.notify_one();
        return item;
    }

    void close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

    std::size_t capacity() const { return capacity_; }

  private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<T> items_;
    bool closed_ = false;
};

}  // namespace picture
