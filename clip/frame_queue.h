#pragma once
// A fixed number of frame slots between the thread that presents frames and
// the encoder thread. Every slot is allocated, and its pages touched, when the
// queue is made: handing a frame over is one copy into a free slot.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace lumo {

// What offer() does when every slot is taken.
enum class WhenFull {
    drop,  // the frame is dropped and counted: the interface never waits
    wait,  // offer() waits for a slot: virtual-clock runs, which must not lose frames
};

// The order of the rows handed to offer(); glReadPixels gives the bottom row first.
enum class RowOrder { top_first, bottom_first };

struct QueuedFrame {
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, top row first
    double time = 0;  // when the frame was presented, seconds
};

// Threads: offer(), close() and dropped() belong to the producer; take() and
// give_back() to the consumer. The slot lists live under mutex_; a slot's
// pixels belong to whoever took it off a list.
class FrameQueue {
public:
    FrameQueue(int width, int height, int slots, WhenFull when_full);
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Copies a width x height RGBA frame into a free slot. false when it was
    // dropped (no free slot under WhenFull::drop), or the queue is closed.
    bool offer(std::span<const uint8_t> rgba, RowOrder order, double time);
    // No more frames: take() returns null once the waiting ones are taken.
    void close();
    // Frames dropped so far for want of a free slot.
    int dropped() const { return dropped_.load(std::memory_order_relaxed); }

    // The oldest waiting frame, waiting for one; null once closed and empty.
    // The frame stays the consumer's until given back.
    QueuedFrame* take();
    void give_back(QueuedFrame* frame);
    // Gives back every frame still waiting, unseen (finishing in a hurry).
    void discard_waiting();

private:
    int width_;
    int height_;
    WhenFull when_full_;
    std::vector<QueuedFrame> slots_;
    std::mutex mutex_;
    std::condition_variable slot_freed_;  // for a producer waiting under WhenFull::wait
    std::condition_variable frame_queued_;  // for the consumer
    std::vector<QueuedFrame*> free_;  // under mutex_; capacity reserved for every slot
    std::vector<QueuedFrame*> waiting_;  // under mutex_; oldest at waiting_head_
    std::size_t waiting_head_ = 0;
    std::size_t waiting_count_ = 0;
    bool closed_ = false;  // under mutex_
    std::atomic<int> dropped_{0};
};

}  // namespace lumo
