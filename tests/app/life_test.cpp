// The launch sequence, edit mode, the accelerometer's smoothing and the
// application becoming inactive and active again.

#include "support/app_harness.h"

namespace lumo::testing {
namespace {

class Life : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    void set_edit(bool on) {
        app().ui().edit_switch.setOn(on);
        view().setEditMode(&app().ui().edit_switch);
    }
    bool fix_shown() { return !app().ui().edit_fix_button.isHidden(); }
};

TEST_F(Life, LaunchStartsTheTimerTheBuildAndTheSensor) {
    EXPECT_EQ(app().delegate().kInitSurfacePosKey, "InitSurfacePosition");
    EXPECT_EQ(app().delegate().kSurfaceImageKey, "SurfaceImage");
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05);
    EXPECT_EQ(trans().time_interval(), 0.05f);
    EXPECT_EQ(app().accelerometer().updateInterval(), 1.0 / 30.0);
    EXPECT_EQ(app().delegate().glView, &view());
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_FALSE(fix_shown());
    app().run_for(0.2);
    EXPECT_EQ(trans().initializing_index(), -1);
    EXPECT_GT(app().frames_drawn(), 2);
}

TEST_F(Life, TheEditSwitchCutsTheTimeStepToATenth) {
    set_edit(true);
    EXPECT_EQ(trans().time_interval(), 0.005f);
    EXPECT_TRUE(fix_shown());
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05);  // frames keep their pace
    set_edit(false);
    EXPECT_EQ(trans().time_interval(), 0.05f);
    EXPECT_FALSE(fix_shown());
}

TEST_F(Life, TheEditSwitchAloneNeverStartsTheTimer) {
    view().stopAnimation();
    set_edit(true);
    EXPECT_FALSE(view().animating());
    EXPECT_EQ(trans().time_interval(), 0.05f);
    EXPECT_FALSE(fix_shown());
}

TEST_F(Life, TheEditSwitchOnThePanelWorksByClick) {
    turn();
    click_control(ControlPanel::edit);
    EXPECT_TRUE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(fix_shown());
    EXPECT_EQ(trans().time_interval(), 0.005f);
    turn();
    click_control(ControlPanel::fix);
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_FALSE(fix_shown());
}

TEST_F(Life, FixingMakesTheSculptedSurfaceTheRestShape) {
    app().run_for(1.0);
    set_edit(true);
    app().push_finger(SDL_FINGERDOWN, 1, 160, 200);
    app().run_for(1.0);
    EXPECT_EQ(table_values_published_by([&] { view().surfaceEditFixed(); }), kVertexCount);
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_FALSE(fix_shown());
    EXPECT_EQ(trans().time_interval(), 0.05f);
    EXPECT_EQ(trans().current_surface(), trans().rest_shape());
    EXPECT_EQ(trans().target_surface(), trans().rest_shape());
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(trans().input_force(j).apply_pos_to_force, 0);
    // The dent stays in the new rest shape.
    EXPECT_LT(trans().rest_shape()[3 * vertex_index(20, 25) + 2], 0.09f);
    app().push_finger(SDL_FINGERUP, 1, 160, 200);
    app().run_for(0.2);
    EXPECT_EQ(trans().initializing_index(), -1);
}

TEST_F(Life, ResetBringsBackTheDefaultDomeAndLeavesEditMode) {
    set_edit(true);
    for (int v = 0; v < kVertexCount; ++v) trans().surface_vertices()[3 * v + 2] *= 0.5f;
    view().surfaceEditFixed();
    view().stopAnimation();  // as the initialize menu holds it
    set_edit(true);
    app().ui().edit_fix_button.setHidden(false);
    view().initializeShape();
    auto dome = std::make_unique<LUMOTransform>(1);
    dome->set_init_position_and_mass_at_startup(true);
    EXPECT_EQ(trans().rest_shape(), dome->rest_shape());
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_FALSE(fix_shown());  // hidden even though the timer was stopped
    EXPECT_FALSE(view().animating());
}

TEST_F(Life, ResigningSlowsTheFrameTimerAndBecomingActiveRestoresIt) {
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    turn();
    EXPECT_FALSE(app().active());
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.2);
    EXPECT_EQ(trans().time_interval(), 0.2f);
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    turn();
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05);
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

TEST_F(Life, ResigningWhileStoppedStartsNothing) {
    view().stopAnimation();
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    turn();
    EXPECT_FALSE(view().animating());
    view().startAnimation();
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.2);
    view().stopAnimation();
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    turn();
    EXPECT_FALSE(view().animating());
    view().startAnimation();
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05);
}

// The mend: a restart with the switch on keeps the edit step (see frame_loop.cpp).
TEST_F(Life, EditModeSurvivesResigningWithTheEditStep) {
    set_edit(true);
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    turn();
    EXPECT_EQ(trans().time_interval(), 0.02f);  // a tenth of the slow interval
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    turn();
    EXPECT_TRUE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(fix_shown());
    EXPECT_EQ(trans().time_interval(), 0.005f);
    EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05);
}

// Each axis follows its own reading, a little per sample: a knock does not
// jolt the body, a steady tilt is reached within a few seconds.
TEST_F(Life, TheSensorIsSmoothedAxisByAxisAndFeedsTheBody) {
    const double tilt[3] = {0.8, -0.3, -0.5};  // right side down
    const double start[3] = {view().accel(0), view().accel(1), view().accel(2)};
    app().accelerometer().overrideReading(Acceleration{tilt[0], tilt[1], tilt[2]});
    app().run_for(app().accelerometer().updateInterval());  // one sample
    for (int axis = 0; axis < 3; ++axis) {
        const double share = (view().accel(axis) - start[axis]) / (tilt[axis] - start[axis]);
        EXPECT_GT(share, 0.02) << "axis " << axis << " moves towards its own reading";
        EXPECT_LT(share, 0.25) << "axis " << axis << " moves only a little per sample";
    }
    app().run_for(3.0);
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(view().accel(axis), tilt[axis], 0.01) << "axis " << axis;
    EXPECT_GT(trans().input_force(0).cur_pos[0] - trans().input_force(0).init_pos[0], 0.03f);
}

TEST_F(Life, WithoutAViewSamplesAreDropped) {
    const double before[3] = {view().accel(0), view().accel(1), view().accel(2)};
    app().delegate().glView = nullptr;
    app().delegate().accelerometer_didAccelerate(&app().accelerometer(), Acceleration{1, 1, 1});
    app().delegate().glView = &view();
    EXPECT_EQ(view().accel(0), before[0]);
    EXPECT_EQ(view().accel(1), before[1]);
    EXPECT_EQ(view().accel(2), before[2]);
}

}  // namespace
}  // namespace lumo::testing
