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
    // Events pushed so far, handled at this very time on the virtual clock:
    // they carry it, in whole milliseconds.
    void handle_now() { app().run_loop().runOnce(0); }
    // A mouse button event as SDL makes one from a touch.
    void push_touch_mouse(Uint32 type, int x, int y) {
        SDL_Event event{};
        event.type = type;
        event.button.which = SDL_TOUCH_MOUSEID;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x, event.button.y = y;
        SDL_PushEvent(&event);
    }
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
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(trans().input_force(j).apply_pos_to_force, 0) << j;

    // A fifth finger finds no slot and presses nothing.
    const InputForce before = trans().input_force(1);
    finger(SDL_FINGERDOWN, 5, 160, 400);
    EXPECT_EQ(trans().input_force(1).init_pos[0], before.init_pos[0]);
    EXPECT_EQ(EAGLView::last_touch_slot, 1);

    for (int id = 1; id <= 5; ++id) finger(SDL_FINGERUP, id, 0, 0);
    EXPECT_EQ(slots_taken(), 0);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(trans().input_force(j).apply_pos_to_force, 1) << j;
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
    const float rest = trans().current_surface()[3 * 1275 + 2];
    finger(SDL_FINGERDOWN, 1, 160, 240);  // the centre of the view: surface point (0, 0)
    EXPECT_EQ(trans().input_force(2).init_index, 1275);
    app().run_for(0.5);
    EXPECT_LT(trans().current_surface()[3 * 1275 + 2], rest - 0.04f);
    finger(SDL_FINGERUP, 1, 160, 240);
    app().run_for(3.0);
    EXPECT_NEAR(trans().current_surface()[3 * 1275 + 2], rest, 0.001f);
}

// Each press starts with the panel hidden. Events are handled at the exact
// virtual time they are pushed, so a hold of 0.25 s is 250 ms between them.
TEST_F(Touches, AShortStillPressInTheMiddleBandIsATap) {
    const struct {
        const char* what;
        float x, y;
        double hold;
        float moved;  // points, then lifted there
        bool tap;
    } rows[] = {
        {"still for 0.2 s", 160, 240, 0.2, 0, true},
        {"still for exactly 0.25 s, the longest tap", 160, 240, 0.25, 0, true},
        {"still for 0.26 s", 160, 240, 0.26, 0, false},
        {"still for 0.3 s", 160, 240, 0.3, 0, false},
        {"moved 6 points, within the slop", 160, 200, 0.1, 6, true},
        {"moved 30 points", 160, 200, 0.1, 30, false},
        {"at the band's top, a quarter of the height", 160, 120, 0.1, 0, false},
        {"at the band's bottom, three quarters", 160, 360, 0.1, 0, false},
        {"just inside the band", 160, 121, 0.1, 0, true},
        {"near the left edge", 20, 240, 0.1, 0, true},
        {"near the right edge", 300, 240, 0.1, 0, true},
    };
    for (const auto& row : rows) {
        app().ui().controllers.setHidden(true);
        app().run_for(0.5);
        app().push_finger(SDL_FINGERDOWN, 1, row.x, row.y);
        handle_now();
        if (row.moved > 0) {
            app().push_finger(SDL_FINGERMOTION, 1, row.x + row.moved, row.y);
            handle_now();
        }
        app().run_for(row.hold);
        app().push_finger(SDL_FINGERUP, 1, row.x + row.moved, row.y);
        handle_now();
        EXPECT_EQ(!app().ui().controllers.isHidden(), row.tap) << row.what;
        EXPECT_EQ(slots_taken(), 0) << row.what;
    }
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
    EXPECT_EQ(trans().input_force(2).apply_pos_to_force, 0);
    app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    turn();
    EXPECT_EQ(slots_taken(), 0);
    EXPECT_EQ(trans().input_force(2).apply_pos_to_force, 1);  // springs back at once
    finger(SDL_FINGERUP, 1, 160, 240);  // the lift of a cancelled touch reaches nothing
    EXPECT_TRUE(app().ui().controllers.isHidden());
}

TEST_F(Touches, TheMouseIsOneMoreTouch) {
    app().push_mouse(SDL_MOUSEBUTTONDOWN, 160, 240);
    turn();
    EXPECT_TRUE(slot_holds_a_touch(2));
    app().push_mouse(SDL_MOUSEMOTION, 200, 300);
    turn();
    EXPECT_EQ(trans().input_force(2).cur_pos[0], view().touch_to_cgpoint({0, 200, 300}).x);
    app().push_mouse(SDL_MOUSEBUTTONUP, 200, 300);
    turn();
    EXPECT_EQ(slots_taken(), 0);
}

// On a touchscreen SDL 2.26 queues a mouse button made from the touch before
// each finger's press and lift. The finger presses the view in the turn its
// event arrives, and the tap is timed by the events, not by when they are handled.
TEST_F(Touches, ATouchscreenPressActsAtOnceAndIsTimedByItsEvents) {
    for (const auto& [ms, tap] : {std::pair{240, true}, std::pair{260, false}}) {
        app().ui().controllers.setHidden(true);
        app().run_for(0.5);
        push_touch_mouse(SDL_MOUSEBUTTONDOWN, 160, 240);
        app().push_finger(SDL_FINGERDOWN, 1, 160, 240);
        handle_now();
        EXPECT_EQ(slots_taken(), 1) << ms << " ms: one touch, pressing the view in the turn of its event";
        app().run_for(ms / 1000.0);
        push_touch_mouse(SDL_MOUSEBUTTONUP, 160, 240);
        app().push_finger(SDL_FINGERUP, 1, 160, 240);
        handle_now();
        EXPECT_EQ(slots_taken(), 0) << ms << " ms";
        EXPECT_EQ(!app().ui().controllers.isHidden(), tap) << ms << " ms";
    }
}

// The pointer SDL moves after a finger is no press of its own, whether a
// finger or the real mouse is pressing.
TEST_F(Touches, MouseMotionMadeFromATouchMovesNothing) {
    for (const bool by_mouse : {false, true}) {
        const char* what = by_mouse ? "during the mouse's press" : "during a finger's press";
        if (by_mouse) app().push_mouse(SDL_MOUSEBUTTONDOWN, 160, 240);
        else app().push_finger(SDL_FINGERDOWN, 1, 160, 240);
        turn();
        ASSERT_EQ(slots_taken(), 1) << what;
        InputForce before[5];
        for (int j = 1; j <= 4; ++j) before[j] = trans().input_force(j);
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.which = SDL_TOUCH_MOUSEID;
        motion.motion.state = SDL_BUTTON_LMASK;
        motion.motion.x = 220, motion.motion.y = 320;
        SDL_PushEvent(&motion);
        app().run_for(0.15);  // past any wait for the interface after a button change
        EXPECT_EQ(slots_taken(), 1) << what;
        for (int j = 1; j <= 4; ++j) {
            EXPECT_EQ(trans().input_force(j).cur_pos[0], before[j].cur_pos[0]) << what << ", handle " << j;
            EXPECT_EQ(trans().input_force(j).cur_pos[1], before[j].cur_pos[1]) << what << ", handle " << j;
        }
        if (by_mouse) app().push_mouse(SDL_MOUSEBUTTONUP, 160, 240);
        else app().push_finger(SDL_FINGERUP, 1, 160, 240);
        turn();
        EXPECT_EQ(slots_taken(), 0) << what;
    }
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
