// The start-up: what begins before the window opens (the table build, the
// default picture's decode, the font's read) and what waits until the first
// picture is on the screen (looking for game controllers).

#include <stdlib.h>

#include <cstring>

#include "support/app_harness.h"

namespace lumo::testing {
namespace {

class StartUp : public AppTest {
protected:
    void create() {
        std::string error;
        app_ = Application::create(options_, &error);
        ASSERT_NE(app_, nullptr) << error;
    }
};

TEST_F(StartUp, TheTableIsBuiltFromBeforeTheWindowAndLaunchingKeepsIt) {
    create();
    trans().wait_for_table_build();
    EXPECT_EQ(trans().initializing_index(), -1) << "nothing was built before launch";
    app().launch();
    EXPECT_EQ(trans().initializing_index(), -1) << "launching built the same table again";
    app().run_for(0.2);
    EXPECT_GT(app().frames_drawn(), 2);
}

TEST_F(StartUp, ThePictureDecodedBesideTheWindowIsTheDefaultOne) {
    create();
    const auto expected = EAGLView::default_picture();
    ASSERT_NE(expected, nullptr) << "texture.png next to the tests";
    ASSERT_NE(view().picture(), nullptr);
    ASSERT_EQ(view().picture()->byte_count(), expected->byte_count());
    EXPECT_EQ(std::memcmp(view().picture()->pixels(), expected->pixels(), expected->byte_count()), 0);
    EXPECT_TRUE(app().imgui().has_true_type_font()) << "the font read beside the window reached the interface";
}

TEST_F(StartUp, HeadlessRunsNeverLookForControllers) {
    launch();
    app().run_for(0.2);
    EXPECT_FALSE(app().tilt().controllers_started());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
}

// On a display, with a real clock: SDL's game-controller subsystem, which
// looks through the machine's input devices, starts once the first picture
// has been presented, and stays for the program's life.
TEST_F(StartUp, ControllersAreLookedForOnceTheFirstPictureIsUp) {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    options_.headless = false;
    create();
    EXPECT_FALSE(app().tilt().controllers_started());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
    app().launch();
    EXPECT_EQ(app().frames_drawn(), 1);
    EXPECT_TRUE(app().tilt().controllers_started());
    EXPECT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
    // A controller coming and going reaches the tilt sources through the
    // event pump; one without an accelerometer leaves the keyboard in charge.
    const int joystick = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_GE(joystick, 0) << SDL_GetError();
    app().run_for(0.2);
    SDL_JoystickDetachVirtual(joystick);
    app().run_for(0.2);
    EXPECT_TRUE(app().tilt().keyboard_active());
    EXPECT_GT(app().frames_drawn(), 2);
}

}  // namespace
}  // namespace lumo::testing
