// The frame timer on the run loop, and the run loop itself.

#include "offscreen_view.h"

namespace lumo::testing {
namespace {

using FrameTimer = OffscreenView;

TEST_F(FrameTimer, TwoStartsLeaveOneTimer) {
    view_->startAnimation();
    view_->startAnimation();
    EXPECT_EQ(run_loop_.validTimerCount(), 1);
    EXPECT_TRUE(view_->animating());
    view_->stopAnimation();
    EXPECT_EQ(run_loop_.validTimerCount(), 0);
    view_->stopAnimation();  // stopping twice is harmless
}

TEST_F(FrameTimer, ChangingTheIntervalWhileStoppedStartsNothing) {
    view_->setAnimationInterval(0.2);
    EXPECT_FALSE(view_->animating());
    EXPECT_EQ(view_->trans()->time_interval(), 0.05f);
    view_->startAnimation();
    EXPECT_EQ(run_loop_.interval(view_->animationTimer), 0.2);
    EXPECT_EQ(view_->trans()->time_interval(), 0.2f);
}

TEST_F(FrameTimer, ChangingTheIntervalWhileRunningReplacesTheTimer) {
    view_->startAnimation();
    const Timer before = view_->animationTimer;
    view_->setAnimationInterval(0.2);
    EXPECT_FALSE(run_loop_.isValid(before));
    EXPECT_EQ(run_loop_.interval(view_->animationTimer), 0.2);
    EXPECT_EQ(view_->trans()->time_interval(), 0.2f);
    EXPECT_EQ(run_loop_.validTimerCount(), 1);
}

TEST_F(FrameTimer, FiresByTheClockOncePerInterval) {
    int frames_before = 0;
    view_->startAnimation();
    const double start = run_loop_.now();
    for (int turn = 0; turn < 10; ++turn) run_loop_.runOnce();
    (void)frames_before;
    EXPECT_NEAR(run_loop_.now() - start, 0.5, 1e-9);  // ten frames at 0.05 s on the virtual clock
}

struct Counter {
    int fired = 0;
    RunLoop* loop = nullptr;
    Timer self;
    static void tick(void* c) {
        auto* counter = static_cast<Counter*>(c);
        ++counter->fired;
        counter->loop->invalidate(counter->self);  // from inside its own callback
    }
};

TEST(RunLoop, ATimerMayInvalidateItselfAndHandlesOutliveIt) {
    RunLoop loop(RunLoop::ClockKind::virtual_time);
    Counter counter;
    counter.loop = &loop;
    counter.self = loop.scheduleRepeating(0.1, &Counter::tick, &counter);
    for (int turn = 0; turn < 5; ++turn) loop.runOnce();
    EXPECT_EQ(counter.fired, 1);
    EXPECT_FALSE(loop.isValid(counter.self));
    // A new timer in the same slot is not mistaken for the old handle.
    const Timer fresh = loop.scheduleRepeating(0.1, &Counter::tick, &counter);
    EXPECT_EQ(fresh.slot, counter.self.slot);
    EXPECT_FALSE(loop.isValid(counter.self));
    loop.invalidate(counter.self);
    EXPECT_TRUE(loop.isValid(fresh));
}

TEST(RunLoop, SkipsMissedFiringsInsteadOfBunchingThem) {
    RunLoop loop(RunLoop::ClockKind::virtual_time);
    int fired = 0;
    loop.scheduleRepeating(0.05, [](void* n) { ++*static_cast<int*>(n); }, &fired);
    loop.advance_virtual_clock(1.0);  // twenty intervals late
    loop.runOnce();
    EXPECT_EQ(fired, 1);
    loop.runOnce();
    EXPECT_EQ(fired, 2);
    EXPECT_NEAR(loop.now(), 1.05, 1e-9);
}

}  // namespace
}  // namespace lumo::testing
