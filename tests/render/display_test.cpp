// The screen drawn at its own refresh rate between the simulation's steps:
// the steps stay exactly what they were, the screen shows the way from one
// to the next, and a surface at rest is not drawn at all.

#include <cstring>

#include "offscreen_view.h"

namespace lumo::testing {
namespace {

struct FrameCounter : Presenter {
    long frames = 0;
    void present_frame(const ViewFrame&) override { ++frames; }
};

std::vector<unsigned char> framebuffer_pixels(const EAGLView& view) {
    const ViewFrame frame = view.frame();
    std::vector<unsigned char> pixels(static_cast<size_t>(frame.width) * frame.height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frame.framebuffer);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class Display : public OffscreenView {
protected:
    void SetUp() override {
        OffscreenView::SetUp();
        stepped_ = EAGLView::initWithCoder(window_, &run_loop_);
        ASSERT_NE(stepped_, nullptr);
        stepped_->layoutSubviews();
        view_->set_interpolated_display(true);
        for (EAGLView* view : {view_.get(), stepped_.get()}) {
            view->trans()->init_distance();
            view->trans()->push_surface_at({0.01f, 0.02f}, 1);
        }
        view_->eagl_context()->setPresenter(&shown_);
        stepped_->eagl_context()->setPresenter(&drawn_);
        view_->startAnimation();
        stepped_->startAnimation();
    }
    void TearDown() override {
        stepped_.reset();
        OffscreenView::TearDown();
    }
    bool same_surfaces() const {
        return std::memcmp(view_->trans()->surface_vertices(), stepped_->trans()->surface_vertices(),
                           sizeof(float) * kSurfaceFloatCount) == 0;
    }

    std::unique_ptr<EAGLView> stepped_;  // draws at each step, as headless runs do
    FrameCounter shown_, drawn_;
};

TEST_F(Display, BetweenStepsTheScreenShowsTheWayWhileTheStepsStayTheSame) {
    for (int step = 0; step < 20; ++step) {
        run_loop_.runOnce();  // one step for both views
        ASSERT_TRUE(same_surfaces()) << "step " << step;
        const double stepped_at = run_loop_.now();
        const long before = shown_.frames;
        for (double along : {0.0, 0.25, 0.5, 0.75}) view_->display_frame(stepped_at + along * kFrameInterval);
        // The surface moves: each refresh shows a new state, four to a step.
        EXPECT_EQ(shown_.frames - before, 4) << "step " << step;
    }
    // A whole interval after the step, the screen shows the step itself,
    // drawn as a view drawing at each step draws it. (Each view is read
    // right after it draws: the views share one context, and a frame clears
    // whatever framebuffer is bound before it binds its own.)
    stepped_->render_frame();
    const std::vector<unsigned char> at_step = framebuffer_pixels(*stepped_);
    view_->setNeedsDisplay();
    view_->display_frame(run_loop_.now() + kFrameInterval);
    EXPECT_EQ(framebuffer_pixels(*view_), at_step);
}

TEST_F(Display, HalfWayTheScreenDiffersFromBothSteps) {
    run_loop_.runOnce();
    stepped_->render_frame();
    const std::vector<unsigned char> before = framebuffer_pixels(*stepped_);
    run_loop_.runOnce();
    stepped_->render_frame();
    const std::vector<unsigned char> after = framebuffer_pixels(*stepped_);
    ASSERT_NE(before, after) << "the press moves the surface";
    view_->display_frame(run_loop_.now() + 0.5 * kFrameInterval);
    const std::vector<unsigned char> half = framebuffer_pixels(*view_);
    EXPECT_NE(half, before);
    EXPECT_NE(half, after);
}

TEST_F(Display, AtRestNothingIsDrawnAndTheLoopMayWait) {
    view_->trans()->release_surface_at({0.01f, 0.02f}, 1);
    stepped_->trans()->release_surface_at({0.01f, 0.02f}, 1);
    // At rest the floats keep cycling in their last place for ever; the
    // screen stops all the same.
    long before = shown_.frames;
    for (int step = 0, quiet = 0; quiet < 40; ++step, ++quiet) {
        ASSERT_LT(step, 4000) << "the surface never came to rest";
        run_loop_.runOnce();
        view_->display_frame(run_loop_.now() + 0.5 * kFrameInterval);
        if (shown_.frames != before) quiet = 0;
        before = shown_.frames;
    }
    EXPECT_FALSE(view_->wants_display_frames());
    for (int step = 0; step < 10; ++step) {
        run_loop_.runOnce();
        view_->display_frame(run_loop_.now() + 0.5 * kFrameInterval);
    }
    EXPECT_EQ(shown_.frames, before);
    view_->setNeedsDisplay();  // anything that asks is drawn again
    view_->display_frame(run_loop_.now());
    EXPECT_EQ(shown_.frames, before + 1);
}

}  // namespace
}  // namespace lumo::testing
