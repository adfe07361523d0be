// The window around the view: resizing, and the program's own command line.

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "app_harness.h"
#include "picture/picture.h"

namespace lumo::testing {
namespace {

TEST_F(AppTest, AResizedWindowLetterboxesTheViewAndTouchesFollowIt) {
    launch();
    SDL_SetWindowSize(app().window().sdl_window(), 640, 480);
    app().runFor(0.1);
    const ViewRect r = app().window().view_rect_points();
    EXPECT_EQ(r.x, 160);
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(view().backingWidth, 320);
    EXPECT_EQ(view().backingHeight, 480);
    EXPECT_EQ(view()._screen_size.width, 320.0f);
    app().ui().controllers.setHidden(true);
    // The window's centre is the view's centre: surface point (0, 0).
    SDL_Event event{};
    event.type = SDL_FINGERDOWN;
    event.tfinger.touchId = 5;
    event.tfinger.fingerId = 1;
    event.tfinger.x = 0.5f;
    event.tfinger.y = 0.5f;
    SDL_PushEvent(&event);
    turn();
    EXPECT_EQ(trans()._input_forces[2].init_index, 1275);
    // A press on the bars beside the view presses nothing.
    event.tfinger.fingerId = 2;
    event.tfinger.x = 0.05f;
    SDL_PushEvent(&event);
    turn();
    EXPECT_EQ(slots_taken(), 1);
}

// Runs the built program; returns its exit status and what it printed.
int run_lumo(const std::string& arguments, std::string* output) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " LUMO_BINARY " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) *output += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    EXPECT_EQ(run_lumo("--headless --frames 10 --screenshot " + shot.string() + " --home " + home_.string(), &output), 0)
        << output;
    const auto picture = load_picture_file(shot);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 320);
    EXPECT_EQ(picture->height(), 480);
    EXPECT_EQ(run_lumo("--frames ten", &output), 2);
    EXPECT_EQ(run_lumo("--headless --script " + (home_ / "missing.txt").string(), &output), 2);
}

}  // namespace
}  // namespace lumo::testing
