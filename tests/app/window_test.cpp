// The window around the view: resizing, and the program's own command line.

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include <imgui.h>

#include "support/run_lumo.h"
#include "support/app_harness.h"
#include "files/window_state.h"
#include "picture/picture.h"

namespace lumo::testing {
namespace {

TEST_F(AppTest, AResizedWindowLetterboxesTheViewAndTouchesFollowIt) {
    launch();
    SDL_SetWindowSize(app().window().sdl_window(), 640, 480);
    app().run_for(0.1);
    // Room beside the view for the panel: the two are centred together.
    const ViewRect r = app().window().view_rect_points();
    const LayoutRect panel = app().ui().panel()->layout().panel;
    EXPECT_EQ(app().ui().panel()->layout().place, PanelPlace::beside);
    EXPECT_EQ(r.width, 320);
    EXPECT_GT(panel.x, r.x + r.width);
    EXPECT_NEAR(r.x, 640 - (panel.x + panel.width), 1.0f);
    EXPECT_EQ(view().frame().width, 320);
    EXPECT_EQ(view().frame().height, 480);
    EXPECT_EQ(view().screen_size().width, 320.0f);
    app().ui().controllers.setHidden(true);
    // The view's centre is surface point (0, 0).
    SDL_Event event{};
    event.type = SDL_FINGERDOWN;
    event.tfinger.touchId = 5;
    event.tfinger.fingerId = 1;
    event.tfinger.x = (r.x + r.width / 2.0f) / 640.0f;
    event.tfinger.y = 0.5f;
    SDL_PushEvent(&event);
    turn();
    EXPECT_EQ(trans().input_force(2).init_index, 1275);
    // A press on the bar beside the view, above the panel, presses nothing.
    event.tfinger.fingerId = 2;
    event.tfinger.x = 0.98f;
    event.tfinger.y = 0.02f;
    SDL_PushEvent(&event);
    turn();
    EXPECT_EQ(slots_taken(), 1);
}

// The view's frame reaches its letterboxed rectangle pixel for pixel, the
// bars stay black, whichever side the window is wider on, and a picture
// that is partly transparent is not blended into them. (Windows opened at
// their size: SDL's offscreen driver keeps a window's first surface.)
TEST_F(AppTest, TheWindowShowsTheViewsFramePixelForPixel) {
    Picture translucent(512, 512);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            uint8_t* p = translucent.pixel(x, y);
            p[0] = static_cast<uint8_t>(x / 2), p[1] = static_cast<uint8_t>(y / 2), p[2] = 200,
            p[3] = static_cast<uint8_t>(x + y);
        }
    }
    for (const auto& [width, height] : {std::pair{643, 480}, std::pair{320, 501}}) {
        options_.window_width = width;
        options_.window_height = height;
        launch();
        app().ui().controllers.setHidden(true);  // nothing over the view
        if (height > 480) view().load_texture(std::make_shared<const Picture>(translucent));
        app().run_for(0.3);
        const ViewRect r = app().window().view_rect_pixels();
        ASSERT_EQ(view().frame().width, r.width);
        std::vector<unsigned char> frame(static_cast<size_t>(r.width) * r.height * 4);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, view().frame().framebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, r.width, r.height, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        const Picture window = window_picture();
        ASSERT_EQ(window.width(), width);
        ASSERT_EQ(window.height(), height);
        int differing = 0;
        for (int y = 0; y < r.height; ++y) {
            for (int x = 0; x < r.width; ++x) {
                const unsigned char* drawn = &frame[(static_cast<size_t>(r.height - 1 - y) * r.width + x) * 4];
                differing += std::memcmp(drawn, window.pixel(r.x + x, r.y + y), 3) != 0;
            }
        }
        EXPECT_EQ(differing, 0) << width << " x " << height;
        // A pixel of the bar the layout left beside or below the view.
        const bool beside = r.width < width;
        const int bar_x = beside ? (r.x > 0 ? r.x - 1 : r.x + r.width) : r.x + r.width / 2;
        const int bar_y = beside ? r.y + r.height / 2 : (r.y > 0 ? r.y - 1 : r.y + r.height);
        const unsigned char* bar = window.pixel(bar_x, bar_y);
        EXPECT_EQ(bar[0] + bar[1] + bar[2], 0) << width << " x " << height;
        app_.reset();
    }
}

// The panel's Save button and the interface font, at the window's present size.
struct Interface {
    PanelRect save;
    int font_pixels = 0;
    float font_points = 0;
};

Interface interface_of(Application& app) {
    app.run_for(0.2);
    return {app.ui().panel()->rect_of(ControlPanel::save), app.imgui().font_pixels(), ImGui::GetFontSize()};
}

// The interface grows with the view, as far as the panel keeps its tools'
// row: a 640 x 960 window (the view fills it) could hold the small layout
// doubled, but that drops Undo, Redo and Record.
TEST_F(AppTest, TheInterfaceGrowsWithTheWindowInATrueTypeFontOfTheRightSize) {
    launch();
    const Interface small = interface_of(app());
    EXPECT_TRUE(app().imgui().has_true_type_font()) << "fonts-dejavu-core is one of the packages";
    EXPECT_EQ(small.font_pixels, 13);
    EXPECT_EQ(app().ui().panel()->rect_of(ControlPanel::undo).height, 0) << "no room for the tools at 320 x 480";
    SDL_SetWindowSize(app().window().sdl_window(), 640, 960);
    const Interface large = interface_of(app());
    EXPECT_GT(large.font_pixels, 13);
    EXPECT_LT(large.font_pixels, 26);
    EXPECT_FLOAT_EQ(large.font_points, static_cast<float>(large.font_pixels)) << "rasterised afresh, not scaled up";
    const float grown = static_cast<float>(large.font_pixels) / 13.0f;
    EXPECT_NEAR(large.save.height, grown * small.save.height, 2.0f);
    EXPECT_GT(app().ui().panel()->rect_of(ControlPanel::undo).height, 0);
    EXPECT_GT(app().ui().panel()->rect_of(ControlPanel::record).height, 0);
}

TEST_F(AppTest, AGivenSizeOpensThatWindow) {
    options_.window_width = 480;
    options_.window_height = 720;
    launch();
    int w = 0, h = 0;
    app().window().window_size_points(&w, &h);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 720);
    EXPECT_EQ(view().frame().width, 480);
    // 13 x 1.5 would leave no room for the tools' row; at 13 it has it.
    EXPECT_EQ(interface_of(app()).font_pixels, 13);
    EXPECT_GT(app().ui().panel()->rect_of(ControlPanel::undo).height, 0);
}

// A doubled screen: the same layout in points, every point two pixels, the
// font rasterised for the pixels so it stays sharp.
TEST_F(AppTest, AHighDensityScreenKeepsTheLayoutAndDoublesThePixels) {
    launch();
    const Interface single = interface_of(app());
    app_.reset();
    options_.pixel_ratio = 2;
    launch();
    int w = 0, h = 0, dw = 0, dh = 0;
    app().window().window_size_points(&w, &h);
    app().window().drawable_size_pixels(&dw, &dh);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(dw, 640);
    EXPECT_EQ(view().frame().width, 640);
    const Interface doubled = interface_of(app());
    EXPECT_EQ(doubled.font_pixels, 26);
    EXPECT_FLOAT_EQ(doubled.font_points, 13.0f);
    EXPECT_NEAR(doubled.save.x, single.save.x, 0.5f);
    EXPECT_NEAR(doubled.save.width, single.save.width, 0.5f);
    // A press lands where it does on a single-density screen.
    app().ui().controllers.setHidden(true);
    finger(SDL_FINGERDOWN, 1, 160, 240);
    EXPECT_EQ(trans().input_force(2).init_index, 1275);
    finger(SDL_FINGERUP, 1, 160, 240);
}

TEST_F(AppTest, WithoutADisplayTheProgramNamesHeadlessAndExitsWithTwo) {
    std::string output;
    EXPECT_EQ(run_lumo("--home " + home_.string(), &output), 2);
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST_F(AppTest, TheHeadlessProgramWritesItsScreenshot) {
    std::string output;
    const auto shot = home_ / "out.png";
    EXPECT_EQ(run_lumo("--headless --frames 10 --screenshot " + shot.string() + " --home " + home_.string(), &output),
              0)
        << output;
    const auto picture = load_picture_file(shot);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 320);
    EXPECT_EQ(picture->height(), 480);
    EXPECT_EQ(run_lumo("--frames ten", &output), 2);
    EXPECT_EQ(run_lumo("--headless --script " + (home_ / "missing.txt").string(), &output), 2);
}

// The real program on a real X server (Xvfb) with a 1600 x 1000 screen:
// it opens a 2:3 window of 80% of the height, and Ctrl+Q ends it.
// On an X screen: the window suits the screen (80% of its height, the 2:3
// view and the panel's room beside it), keeps its place for the next start
// when it still fits a connected screen, and Ctrl+Q quits.
TEST_F(AppTest, OnARealScreenTheWindowSuitsTheScreenKeepsItsPlaceAndCtrlQQuits) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    const auto script = home_ / "quit.txt";
    std::ofstream(script) << "30 key Ctrl+q\n";
    const auto store = home_ / "state" / "window";
    const struct {
        const char* what;
        const char* kept;  // the state file before the start; null: none
        int width, height;
    } rows[] = {
        {"first start", nullptr, 532 + 506, 798},  // 506: 304 points of room at scale 798 / 480, rounded up
        {"kept from the last start", "x=100\ny=60\nwidth=700\nheight=600\nfull-screen=no\n", 700, 600},
        {"kept on a screen now gone", "x=5000\ny=60\nwidth=700\nheight=600\nfull-screen=no\n", 532 + 506, 798},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(store);
        if (row.kept) {
            std::filesystem::create_directories(store.parent_path());
            std::ofstream(store) << row.kept;
        }
        const auto shot = home_ / "window.png";
        std::string output;
        const int status = run_lumo_on_x(
            "--home " + home_.string() + " --script " + script.string() + " --screenshot-at 10:" + shot.string(),
            &output);
        EXPECT_EQ(status, 0) << row.what << ": " << output;
        const auto picture = load_picture_file(shot);
        ASSERT_TRUE(picture) << row.what << ": " << output;
        EXPECT_EQ(picture->width(), row.width) << row.what;
        EXPECT_EQ(picture->height(), row.height) << row.what;
        const std::optional<WindowState> kept = read_window_state(store);
        ASSERT_TRUE(kept) << row.what << ": the place is kept for the next start";
        EXPECT_EQ(kept->width, row.width) << row.what;
        EXPECT_EQ(kept->height, row.height) << row.what;
    }
}

}  // namespace
}  // namespace lumo::testing
