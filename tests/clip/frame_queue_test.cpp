// The slots between the presenting thread and the encoder thread.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "clip/frame_queue.h"

namespace lumo {
namespace {

// A 2 x 3 frame whose every byte is `value`.
std::vector<uint8_t> frame_of(uint8_t value) { return std::vector<uint8_t>(2 * 3 * 4, value); }

TEST(FrameQueue, DropsAndCountsWhenFullUnderDropButNeverUnderWait) {
    struct Row {
        WhenFull when_full;
        int slots;
        int offered;
        int expected_dropped;
    };
    const Row rows[] = {
        {WhenFull::drop, 3, 3, 0},
        {WhenFull::drop, 3, 10, 7},
        {WhenFull::wait, 3, 10, 0},
        {WhenFull::wait, 1, 50, 0},
    };
    for (const Row& row : rows) {
        FrameQueue queue(2, 3, row.slots, row.when_full);
        // A consumer that starts only once every offer has returned under drop
        // (so the queue is full), and at once under wait (or it would never end).
        std::vector<double> received;
        auto consume = [&] {
            while (QueuedFrame* frame = queue.take()) {
                received.push_back(frame->time);
                queue.give_back(frame);
            }
        };
        std::thread consumer;
        if (row.when_full == WhenFull::wait) consumer = std::thread(consume);
        int taken = 0;
        for (int i = 0; i < row.offered; ++i)
            taken += queue.offer(frame_of(static_cast<uint8_t>(i)), RowOrder::top_first, i);
        queue.close();
        if (row.when_full == WhenFull::drop) consumer = std::thread(consume);
        consumer.join();
        EXPECT_EQ(queue.dropped(), row.expected_dropped) << row.slots << " slots, " << row.offered << " offered";
        EXPECT_EQ(taken, row.offered - row.expected_dropped);
        ASSERT_EQ(static_cast<int>(received.size()), taken);
        for (int i = 0; i < taken; ++i) EXPECT_EQ(received[i], i) << "frames arrive in order";
    }
}

TEST(FrameQueue, HandsOverRowsTopFirstWhicheverWayTheyCame) {
    FrameQueue queue(1, 3, 2, WhenFull::drop);
    const std::vector<uint8_t> rows = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
    ASSERT_TRUE(queue.offer(rows, RowOrder::top_first, 0));
    ASSERT_TRUE(queue.offer(rows, RowOrder::bottom_first, 1));
    QueuedFrame* top_first = queue.take();
    QueuedFrame* bottom_first = queue.take();
    ASSERT_TRUE(top_first && bottom_first);
    EXPECT_EQ(top_first->rgba, rows);
    EXPECT_EQ(bottom_first->rgba, (std::vector<uint8_t>{3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}));
}

TEST(FrameQueue, RefusesAFrameOfAnotherSizeAndAnythingAfterClosing) {
    FrameQueue queue(2, 3, 2, WhenFull::wait);
    EXPECT_FALSE(queue.offer(std::vector<uint8_t>(2 * 4 * 4), RowOrder::top_first, 0));
    queue.close();
    EXPECT_FALSE(queue.offer(frame_of(1), RowOrder::top_first, 0)) << "closed: a waiting offer must not block";
    EXPECT_EQ(queue.take(), nullptr);
    EXPECT_EQ(queue.dropped(), 0) << "refusals are not drops";
}

}  // namespace
}  // namespace lumo
