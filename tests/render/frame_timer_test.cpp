// The frame timer on the run loop.

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
    EXPECT_EQ(run_loop_.interval(view_->animation_timer()), 0.2);
    EXPECT_EQ(view_->trans()->time_interval(), 0.2f);
}

TEST_F(FrameTimer, ChangingTheIntervalWhileRunningReplacesTheTimer) {
    view_->startAnimation();
    const Timer before = view_->animation_timer();
    view_->setAnimationInterval(0.2);
    EXPECT_FALSE(run_loop_.isValid(before));
    EXPECT_EQ(run_loop_.interval(view_->animation_timer()), 0.2);
    EXPECT_EQ(view_->trans()->time_interval(), 0.2f);
    EXPECT_EQ(run_loop_.validTimerCount(), 1);
}

}  // namespace
}  // namespace lumo::testing
