// Fingers and the mouse through SDL's event queue into the view's touch slots.

#include "support/app_harness.h"

namespace lumo::testing {
namespace {

class Touches : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
        app().ui().controllers.setHidden(true);  // the whole view takes touches
    }
    bool slot_holds_a_touch(int j) { return view().touch_slot_held(j); }
};

TEST_F(Touches, FingersTakeSlotsTwoAfterTheLastOne) {
    finger(SDL_FINGERDOWN, 1, 100, 100);
    EXPECT_TRUE(slot_holds_a_touch(2));
    finger(SDL_FINGERDOWN, 2, 200, 100);
    EXPECT_TRUE(slot_holds_a_touch(4));
    finger(SDL_FINGERDOWN, 3, 100, 200);
    EXPECT_TRUE(slot_holds_a_touch(3));
    finger(SDL_FINGERDOWN, 4, 200, 200);
    EXPECT_TRUE(slot_holds_a_touch(1));
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(trans()._input_forces[j].apply_pos_to_force, 0) << j;

    // A fifth finger finds no slot and presses nothing.
    const InputForce before = trans()._input_forces[1];
    finger(SDL_FINGERDOWN, 5, 160, 400);
    EXPECT_EQ(trans()._input_forces[1].init_pos[0], before.init_pos[0]);
    EXPECT_EQ(EAGLView::last_touch_slot, 1);

    for (int id = 1; id <= 5; ++id) finger(SDL_FINGERUP, id, 0, 0);
    EXPECT_EQ(slots_taken(), 0);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(trans()._input_forces[j].apply_pos_to_force, 1) << j;
}

TEST_F(Touches, OneFingerThreeTimesGetsSlotsTwoFourTwo) {
    const int expected[] = {2, 4, 2};
    for (int slot : expected) {
        finger(SDL_FINGERDOWN, 1, 160, 240);
        EXPECT_TRUE(slot_holds_a_touch(slot)) << slot;
        EXPECT_EQ(EAGLView::last_touch_slot, slot);
        finger(SDL_FINGERUP, 1, 160, 240);
    }
}

TEST_F(Touches, TwoFingersInOneEventBothPressAndAreNoTap) {
    app().push_finger(SDL_FINGERDOWN, 1, 100, 240);
    app().push_finger(SDL_FINGERDOWN, 2, 220, 240);
    turn();
    EXPECT_TRUE(slot_holds_a_touch(2));
    EXPECT_TRUE(slot_holds_a_touch(4));
    EXPECT_FALSE(view().tap_pending());
    app().push_finger(SDL_FINGERUP, 1, 100, 240);
    app().push_finger(SDL_FINGERUP, 2, 220, 240);
    turn();
    EXPECT_EQ(slots_taken(), 0);
    EXPECT_TRUE(app().ui().controllers.isHidden());
}

TEST_F(Touches, APressDentsTheSurfaceUnderTheFingerAndItSpringsBack) {
    app().run_for(3.0);  // the start-up sag settles
    const float rest = trans()._cur_surface_pos[3 * 1275 + 2];
    finger(SDL_FINGERDOWN, 1, 160, 240);  // the centre of the view: surface point (0, 0)
    EXPECT_EQ(trans()._input_forces[2].init_index, 1275);
    app().run_for(0.5);
    EXPECT_LT(trans()._cur_surface_pos[3 * 1275 + 2], rest - 0.04f);
    finger(SDL_FINGERUP, 1, 160, 240);
    app().run_for(3.0);
    EXPECT_NEAR(trans()._cur_surface_pos[3 * 1275 + 2], rest, 0.001f);
}

TEST_F(Touches, AShortStillPressInTheMiddleBandIsATap) {
    tap(160, 240, 0.2);
    EXPECT_FALSE(app().ui().controllers.isHidden());
    tap(20, 240, 0.3);  // held too long
    EXPECT_FALSE(app().ui().controllers.isHidden());
    // A move in between cancels the tap.
    finger(SDL_FINGERDOWN, 1, 160, 200);
    finger(SDL_FINGERMOTION, 1, 161, 200);
    finger(SDL_FINGERUP, 1, 161, 200);
    EXPECT_FALSE(app().ui().controllers.isHidden());
    tap(300, 240, 0.2);  // anywhere across the view
    EXPECT_TRUE(app().ui().controllers.isHidden());
}

TEST_F(Touches, TheTapBandExcludesItsEnds) {
    tap(160, 120);  // a quarter of the height
    tap(160, 360);  // three quarters
    EXPECT_TRUE(app().ui().controllers.isHidden());
    tap(160, 121);
    EXPECT_FALSE(app().ui().controllers.isHidden());
}

TEST_F(Touches, TwoFingersLiftedOneAfterTheOtherAreNoTap) {
    finger(SDL_FINGERDOWN, 1, 100, 240);
    finger(SDL_FINGERDOWN, 2, 200, 240);
    finger(SDL_FINGERUP, 1, 100, 240);
    finger(SDL_FINGERUP, 2, 200, 240);
    EXPECT_TRUE(app().ui().controllers.isHidden());
}

TEST_F(Touches, LosingTheFocusReleasesEveryHandleWithoutATap) {
    finger(SDL_FINGERDOWN, 1, 160, 240);
    EXPECT_EQ(trans()._input_forces[2].apply_pos_to_force, 0);
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    turn();
    EXPECT_EQ(slots_taken(), 0);
    EXPECT_EQ(trans()._input_forces[2].apply_pos_to_force, 1);  // springs back at once
    finger(SDL_FINGERUP, 1, 160, 240);  // the lift of a cancelled touch reaches nothing
    EXPECT_TRUE(app().ui().controllers.isHidden());
}

TEST_F(Touches, TheMouseIsOneMoreTouch) {
    app().push_mouse(SDL_MOUSEBUTTONDOWN, 160, 240);
    turn();
    EXPECT_TRUE(slot_holds_a_touch(2));
    app().push_mouse(SDL_MOUSEMOTION, 200, 300);
    turn();
    EXPECT_EQ(trans()._input_forces[2].cur_pos[0], view().touch_to_cgpoint({0, 200, 300}).x);
    app().push_mouse(SDL_MOUSEBUTTONUP, 200, 300);
    turn();
    EXPECT_EQ(slots_taken(), 0);
}

TEST_F(Touches, MouseEventsMadeFromTouchesAreNotASecondTouch) {
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.which = SDL_TOUCH_MOUSEID;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = 160, event.button.y = 240;
    SDL_PushEvent(&event);
    app().push_finger(SDL_FINGERDOWN, 1, 160, 240);
    app().run_for(0.1);  // events after a button change wait for the interface's next frame
    EXPECT_EQ(slots_taken(), 1);
}

TEST_F(Touches, PointsMapThroughTheVisibleArea) {
    turn();
    const Point corner = view().touch_to_cgpoint({0, 0, 0});
    EXPECT_EQ(corner.x, -0.12666667f);
    EXPECT_EQ(corner.y, -0.19f);
    const Point centre = view().touch_to_cgpoint({0, 160, 240});
    EXPECT_NEAR(centre.x, 0.0f, 1e-7);
    EXPECT_NEAR(centre.y, 0.0f, 1e-7);
}

TEST_F(Touches, ThePanelTakesPressesOverItAndTheViewTheRest) {
    app().ui().controllers.setHidden(false);
    turn();
    const PanelRect r = app().ui().panel()->panel_rect();
    ASSERT_GT(r.height, 0.0f);
    finger(SDL_FINGERDOWN, 1, r.x + r.width / 2, r.y + r.height - 4);
    EXPECT_EQ(slots_taken(), 0);
    finger(SDL_FINGERUP, 1, r.x + r.width / 2, r.y + r.height - 4);
    finger(SDL_FINGERDOWN, 2, 160, 60);
    EXPECT_EQ(slots_taken(), 1);
}

}  // namespace
}  // namespace lumo::testing
