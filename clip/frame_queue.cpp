#include "clip/frame_queue.h"

#include <cstring>

namespace lumo {

FrameQueue::FrameQueue(int width, int height, int slots, WhenFull when_full)
    : width_(width), height_(height), when_full_(when_full), slots_(static_cast<std::size_t>(slots)) {
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    free_.reserve(slots_.size());
    waiting_.resize(slots_.size(), nullptr);  // a ring: never grows
    for (QueuedFrame& slot : slots_) {
        slot.rgba.resize(bytes);  // zero-filled: every page is touched now, not during the first frames
        free_.push_back(&slot);
    }
}

bool FrameQueue::offer(std::span<const uint8_t> rgba, RowOrder order, double time) {
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    if (rgba.size() != row * static_cast<std::size_t>(height_)) return false;
    QueuedFrame* slot = nullptr;
    {
        std::unique_lock lock(mutex_);
        if (when_full_ == WhenFull::wait) slot_freed_.wait(lock, [&] { return !free_.empty() || closed_; });
        if (closed_) return false;
        if (free_.empty()) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        slot = free_.back();
        free_.pop_back();
    }
    // The copy runs outside the lock: the slot is this thread's until queued.
    if (order == RowOrder::top_first) {
        std::memcpy(slot->rgba.data(), rgba.data(), rgba.size());
    } else {
        for (int y = 0; y < height_; ++y)
            std::memcpy(slot->rgba.data() + static_cast<std::size_t>(y) * row,
                        rgba.data() + static_cast<std::size_t>(height_ - 1 - y) * row, row);
    }
    slot->time = time;
    {
        std::lock_guard lock(mutex_);
        waiting_[(waiting_head_ + waiting_count_) % waiting_.size()] = slot;
        ++waiting_count_;
    }
    frame_queued_.notify_one();
    return true;
}

void FrameQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    frame_queued_.notify_all();
    slot_freed_.notify_all();
}

QueuedFrame* FrameQueue::take() {
    std::unique_lock lock(mutex_);
    frame_queued_.wait(lock, [&] { return waiting_count_ > 0 || closed_; });
    if (waiting_count_ == 0) return nullptr;
    QueuedFrame* frame = waiting_[waiting_head_];
    waiting_head_ = (waiting_head_ + 1) % waiting_.size();
    --waiting_count_;
    return frame;
}

void FrameQueue::give_back(QueuedFrame* frame) {
    {
        std::lock_guard lock(mutex_);
        free_.push_back(frame);
    }
    slot_freed_.notify_one();
}

void FrameQueue::discard_waiting() {
    {
        std::lock_guard lock(mutex_);
        for (; waiting_count_ > 0; --waiting_count_) {
            free_.push_back(waiting_[waiting_head_]);
            waiting_head_ = (waiting_head_ + 1) % waiting_.size();
        }
    }
    slot_freed_.notify_all();
}

}  // namespace lumo
