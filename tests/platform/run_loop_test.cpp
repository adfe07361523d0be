// The run loop's timers on the virtual clock.

#include <gtest/gtest.h>

#include "platform/run_loop.h"

namespace lumo::testing {
namespace {

struct Counter {
    int fired = 0;
    RunLoop* loop = nullptr;
    Timer self;
    void tick() {
        ++fired;
        loop->invalidate(self);  // from inside its own callback
    }
};

TEST(RunLoop, ATimerMayInvalidateItselfAndHandlesOutliveIt) {
    RunLoop loop(RunLoop::ClockKind::virtual_time);
    Counter counter;
    counter.loop = &loop;
    counter.self = loop.scheduleRepeating(0.1, [&counter] { counter.tick(); });
    for (int turn = 0; turn < 5; ++turn) loop.runOnce();
    EXPECT_EQ(counter.fired, 1);
    EXPECT_FALSE(loop.isValid(counter.self));
    // A new timer in the same slot is not mistaken for the old handle.
    const Timer fresh = loop.scheduleRepeating(0.1, [&counter] { counter.tick(); });
    EXPECT_EQ(fresh.slot, counter.self.slot);
    EXPECT_FALSE(loop.isValid(counter.self));
    loop.invalidate(counter.self);
    EXPECT_TRUE(loop.isValid(fresh));
}

TEST(RunLoop, SkipsMissedFiringsInsteadOfBunchingThem) {
    RunLoop loop(RunLoop::ClockKind::virtual_time);
    int fired = 0;
    loop.scheduleRepeating(0.05, [&fired] { ++fired; });
    loop.advanceVirtualClock(1.0);  // twenty intervals late
    loop.runOnce();
    EXPECT_EQ(fired, 1);
    loop.runOnce();
    EXPECT_EQ(fired, 2);
    EXPECT_NEAR(loop.now(), 1.05, 1e-9);
}

}  // namespace
}  // namespace lumo::testing
