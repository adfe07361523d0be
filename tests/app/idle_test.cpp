// An unchanged picture is not drawn again: at rest the simulation keeps
// stepping every interval but the draw and the present are skipped, and
// anything that can change the window brings the frames back at once.

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/app_harness.h"

namespace lumo::testing {
namespace {

class Idle : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
    }
    // Runs until no frame has been drawn for a whole second.
    void settle() {
        for (int second = 0; second < 30; ++second) {
            const long before = app().frames_drawn();
            app().run_for(1.0);
            if (app().frames_drawn() == before) return;
        }
        FAIL() << "the surface never came to rest";
    }
    long drawn_during(double seconds) {
        const long before = app().frames_drawn();
        app().run_for(seconds);
        return app().frames_drawn() - before;
    }
};

TEST_F(Idle, AtRestTheDrawIsSkippedButTheSimulationSteps) {
    settle();
    const long skipped = view().frame_changes().skipped();
    EXPECT_EQ(drawn_during(2.0), 0);
    EXPECT_EQ(view().frame_changes().skipped() - skipped, 40);  // every interval still ran
    // A tilt is no event: only the stepping simulation can notice it.
    app().accelerometer().overrideReading(Acceleration{0.6, 0, -0.8});
    EXPECT_GE(drawn_during(0.2), 3);
}

// The damped springs never repeat their floats exactly after a tilt: the
// screen still goes quiet, as the change is far below a pixel.
TEST_F(Idle, AfterATiltTheScreenGoesQuietAgain) {
    settle();
    for (const Acceleration tilt : {Acceleration{0.37, -0.21, -0.9}, Acceleration{0.0, 0.0, -1.0}}) {
        app().accelerometer().overrideReading(tilt);
        EXPECT_GE(drawn_during(1.0), 5);
        settle();
        EXPECT_EQ(drawn_during(5.0), 0);
    }
}

TEST_F(Idle, InputDrawsTheNextFramesThenRestsAgain) {
    settle();
    app().push_mouse(SDL_MOUSEMOTION, 30, 400);  // over the panel: no press, nothing moves
    EXPECT_EQ(drawn_during(0.05), 1);
    EXPECT_EQ(drawn_during(1.0), FrameChanges::kSettleFrames - 1);
    EXPECT_EQ(drawn_during(1.0), 0);
}

// Each of these changes the window without necessarily moving the surface.
TEST_F(Idle, ChangesThatAreNotTheSurfaceAreDrawn) {
    settle();
    view().setDisplaySurface(false);  // as the panel's Lines box, without its event
    EXPECT_GE(drawn_during(0.1), 1);
    settle();
    view().initializeTexture();  // as the Initialize menu
    EXPECT_GE(drawn_during(0.1), 1);
    settle();
    view().layoutSubviews();  // a resized window: a new framebuffer
    EXPECT_GE(drawn_during(0.1), 1);
    settle();
    app().push_window_event(SDL_WINDOWEVENT_EXPOSED);
    EXPECT_GE(drawn_during(0.1), 1);
}

// The window shows the last drawn frame while draws are skipped.
TEST_F(Idle, ASkippedFrameLeavesThePictureOnScreen) {
    settle();
    const auto shot = [&] {
        app().compositor().capture_next_composition();
        app().compositor().recompose();
        return app().compositor().captured_pixels();
    };
    const std::vector<unsigned char> drawn = shot();
    ASSERT_GT(drawn.size(), 1000u);
    EXPECT_EQ(drawn_during(1.0), 0);
    EXPECT_EQ(shot(), drawn);
}

// Skipping decides only whether to draw: a scripted run shows exactly the
// same frames with it as without it, and steps the same simulation.
TEST_F(AppTest, SkippingChangesNoFrameOfAScriptedRun) {
    std::ofstream(home_ / "press.txt") << "1 down 1 160 150\n2 up 1\n40 down 2 160 240\n60 up 2\n"
                                          "300 mousemove 40 420\n330 key l\n";
    options_.script = (home_ / "press.txt").string();
    std::vector<std::string> shots[2];
    std::vector<float> surfaces[2];
    for (int skipping = 0; skipping < 2; ++skipping) {
        options_.screenshots_at.clear();
        for (int frame : {30, 59, 80, 299, 301, 329, 335, 360}) {
            const auto path = home_ / ("f" + std::to_string(frame) + "_" + std::to_string(skipping) + ".png");
            options_.screenshots_at.push_back({frame, path.string()});
            shots[skipping].push_back(path.string());
        }
        options_.frames = 360;
        launch();
        view().frame_changes().set_enabled(skipping == 1);
        EXPECT_EQ(app().run_headless(), 0);
        if (skipping == 1) {
            EXPECT_GT(view().frame_changes().skipped(), 10);
        }
        surfaces[skipping].assign(trans().current_surface().begin(), trans().current_surface().end());
        app_.reset();
    }
    EXPECT_EQ(surfaces[0], surfaces[1]);
    // A skipped frame leaves one on screen that differs from the surface by
    // less than kInvisibleMove: no pixel may differ by more than a level.
    for (size_t k = 0; k < shots[0].size(); ++k) {
        const std::optional<Picture> a = load_picture_file(shots[0][k]), b = load_picture_file(shots[1][k]);
        ASSERT_TRUE(a && b) << shots[1][k];
        ASSERT_EQ(a->byte_count(), b->byte_count()) << shots[1][k];
        int worst = 0;
        for (size_t i = 0; i < a->byte_count(); ++i) worst = std::max(worst, std::abs(a->pixels()[i] - b->pixels()[i]));
        EXPECT_LE(worst, 1) << shots[1][k];
    }
}

}  // namespace
}  // namespace lumo::testing
