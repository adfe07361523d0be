// Scripted runs: the script format, and a press seen in the screenshots.

#include <cstdlib>
#include <fstream>

#include "support/app_harness.h"
#include "picture/picture.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace lumo::testing {
namespace {

TEST(ScriptFormat, ParsesEveryCommandInTimeOrder) {
    std::string error;
    const auto events = parse_script(
        "# a comment\n"
        "20 up 1\n"
        "10 down 1 160 240   # press\n"
        "12 move 1 170.5 250\n"
        "\n"
        "30 tilt 0.5 0 -0.8\n"
        "31 tilt off\n"
        "32 key l\n"
        "33 click 10 20\n"
        "34 focus lost\n"
        "36 record stop\n"
        "35 record start\n"
        "10.5 mousedown 1 2\n",
        &error);
    ASSERT_TRUE(events) << error;
    ASSERT_EQ(events->size(), 11u);
    EXPECT_EQ((*events)[9].kind, ScriptEvent::Kind::record_start);
    EXPECT_EQ((*events)[10].kind, ScriptEvent::Kind::record_stop);
    EXPECT_EQ((*events)[0].kind, ScriptEvent::Kind::down);
    EXPECT_EQ((*events)[0].time, kTicksPerSecond / 2);  // frame 10
    EXPECT_EQ((*events)[1].kind, ScriptEvent::Kind::mouse_down);
    EXPECT_EQ((*events)[2].x, 170.5f);
    EXPECT_FALSE((*events)[3].has_position);
    EXPECT_EQ((*events)[4].tilt.z, -0.8);
    EXPECT_EQ((*events)[6].key, SDLK_l);
    EXPECT_EQ((*events)[6].modifiers, KMOD_NONE);
    const auto quit = parse_script("5 key Ctrl+q\n", &error);
    ASSERT_TRUE(quit) << error;
    EXPECT_EQ((*quit)[0].key, SDLK_q);
    EXPECT_NE((*quit)[0].modifiers & KMOD_CTRL, 0);
}

TEST(ScriptFormat, NamesTheBadLine) {
    std::string error;
    EXPECT_FALSE(parse_script("1 down 1 2 3\n2 jump 4\n", &error));
    EXPECT_EQ(error, "line 2: unknown command \"jump\"");
    EXPECT_FALSE(parse_script("x down 1 2 3\n", &error));
    EXPECT_EQ(error.rfind("line 1:", 0), 0u);
    EXPECT_FALSE(parse_script("1 down 1 2\n", &error));
    EXPECT_FALSE(parse_script("1 key NoSuchKey\n", &error));
    EXPECT_FALSE(parse_script("1 key Ctrl+\n", &error));
    EXPECT_FALSE(parse_script("1 tilt 1 2\n", &error));
    EXPECT_FALSE(parse_script("1 up 1 2 3 4\n", &error));
    EXPECT_FALSE(parse_script("1 press\n", &error));
    EXPECT_FALSE(parse_script("1 press Save\n", &error));
    EXPECT_EQ(error,
              "line 1: unknown control \"Save\": save, initialize, load, edit, fix, lines, undo, redo or record");
    EXPECT_FALSE(parse_script("1 press save now\n", &error));
    EXPECT_FALSE(parse_script("1 record\n", &error));
    EXPECT_FALSE(parse_script("1 record pause\n", &error));
    EXPECT_EQ(error, "line 1: expected start or stop");
}

// Controls named, wherever the layout puts them: edit mode on (Fix shows),
// the shape fixed, then saved, at any window size.
TEST_F(AppTest, PressedControlsActWhereverTheLayoutPutsThem) {
    for (const auto& [width, height] : {std::pair{320, 480}, std::pair{500, 1000}}) {
        const std::filesystem::path home = home_ / std::to_string(width);
        std::filesystem::create_directories(home);
        std::ofstream(home / "script.txt") << "10 press edit\n20 press fix\n30 press save\n";
        options_.home = home.string();
        options_.script = (home / "script.txt").string();
        options_.window_width = width;
        options_.window_height = height;
        app_.reset();
        launch();
        app().run_for(0.75);
        EXPECT_FALSE(app().ui().edit_fix_button.isHidden()) << width << ": edit mode, Fix shown";
        app().run_for(0.5);
        EXPECT_TRUE(app().ui().edit_fix_button.isHidden()) << width << ": fixed";
        app().run_for(0.5);
        EXPECT_EQ(list_shape_stems(app().delegate().documents()).size(), 1u) << width << ": saved";
    }
}

// Mean difference per colour channel over a square around the centre of the view.
double centre_difference(const Picture& a, const Picture& b) {
    double sum = 0;
    int n = 0;
    for (int y = 180; y < 300; ++y)
        for (int x = 100; x < 220; ++x)
            for (int c = 0; c < 3; ++c, ++n) sum += std::abs(a.pixel(x, y)[c] - b.pixel(x, y)[c]);
    return sum / n;
}

TEST_F(AppTest, AScriptedPressShowsInTheCentreAndSpringsBack) {
    const auto script = home_ / "press.txt";
    std::ofstream(script) << "# hide the panel with a tap, then press the centre\n"
                             "1 down 1 160 150\n"
                             "2 up 1\n"
                             "40 down 2 160 240\n"
                             "60 up 2\n";
    options_.script = script.string();
    options_.frames = 100;
    options_.screenshots_at = {{39, (home_ / "rest.png").string()},
                               {59, (home_ / "pressed.png").string()},
                               {100, (home_ / "released.png").string()}};
    std::string error;
    auto app = Application::create(options_, &error);
    ASSERT_NE(app, nullptr) << error;
    app->launch();
    ASSERT_EQ(app->run_headless(), 0);
    EXPECT_TRUE(app->ui().controllers.isHidden());

    const auto rest = load_picture_file(home_ / "rest.png");
    const auto pressed = load_picture_file(home_ / "pressed.png");
    const auto released = load_picture_file(home_ / "released.png");
    ASSERT_TRUE(rest && pressed && released);
    for (const auto& shot : {rest, pressed, released}) {
        ASSERT_EQ(shot->width(), 320);
        ASSERT_EQ(shot->height(), 480);
    }
    // Seen from above, the dent shows in the light: its floor faces the
    // viewer, its sides turn from the light.
    EXPECT_GT(centre_difference(*pressed, *rest), 8.0);
    EXPECT_LT(centre_difference(*released, *rest), 1.0);
}

TEST_F(AppTest, ScriptedRunsRepeatExactly) {
    const auto script = home_ / "poke.txt";
    std::ofstream(script) << "3 down 1 100 120\n5 move 1 140 160\n9 up 1\n10 tilt 0.3 -0.2 -0.9\n";
    options_.script = script.string();
    options_.frames = 30;
    std::vector<float> surfaces[2];
    for (auto& surface : surfaces) {
        std::string error;
        auto app = Application::create(options_, &error);
        ASSERT_NE(app, nullptr) << error;
        EAGLView::last_touch_slot = 0;
        app->launch();
        app->run_headless();
        const float* p = app->view().trans()->surface_vertices();
        surface.assign(p, p + kSurfaceFloatCount);
    }
    EXPECT_EQ(surfaces[0], surfaces[1]);
}

}  // namespace
}  // namespace lumo::testing
