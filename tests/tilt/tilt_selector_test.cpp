#include <gtest/gtest.h>

#include <string>

#include "fake_iio_tree.h"
#include "tilt/tilt_selector.h"

namespace lumo {
namespace {

using testing::FakeIioTree;

TiltSelector::Options options_for(const FakeIioTree& tree, bool use_controllers = false) {
    TiltSelector::Options options;
    options.iio_root = tree.root();
    options.use_controllers = use_controllers;
    return options;
}

SDL_Event controller_event(Uint32 type, Sint32 which) {
    SDL_Event event{};
    event.type = type;
    event.cdevice.type = type;
    event.cdevice.which = which;
    return event;
}

TEST(TiltSelector, MachineAccelerometerComesFirst) {
    FakeIioTree tree;
    tree.add_accelerometer("iio:device0", 0, 100, 0, "0.0980665");
    TiltSelector selector(options_for(tree));
    EXPECT_STREQ(selector.source_name(), "accelerometer (iio:device0)");
    EXPECT_TRUE(selector.iio_problem().empty());
    Acceleration a;
    ASSERT_TRUE(selector.poll(&a));
    EXPECT_NEAR(a.y, -1.0, 1e-12);
}

// The application starts controllers after its first picture; asking again
// changes nothing, and the selector gives the subsystem back when it goes.
TEST(TiltSelector, ControllersStartWhenAskedOnceAndStopWithTheSelector) {
    FakeIioTree tree;
    {
        TiltSelector selector(options_for(tree));
        EXPECT_FALSE(selector.controllers_started());
        EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
        selector.start_controllers();
        selector.start_controllers();
        EXPECT_TRUE(selector.controllers_started());
        EXPECT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
        EXPECT_TRUE(selector.keyboard_active()) << "no controller here has an accelerometer";
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u) << "started twice, given back once";
}

TEST(TiltSelector, KeyboardWhenNothingElse) {
    FakeIioTree tree;
    TiltSelector selector(options_for(tree));
    EXPECT_TRUE(selector.keyboard_active());
    EXPECT_STREQ(selector.source_name(), "arrow keys");
    EXPECT_FALSE(selector.iio_problem().empty());
    Acceleration a;
    ASSERT_TRUE(selector.poll(&a));
    EXPECT_EQ(a.z, -1.0);
}

TEST(TiltSelector, KeysActOnlyWhileTheKeyboardIsTheSource) {
    FakeIioTree tree;
    tree.add_accelerometer("iio:device0", 0, 0, 100, "0.0980665");
    TiltSelector selector(options_for(tree));
    EXPECT_FALSE(selector.handle_key(SDLK_RIGHT));
    EXPECT_EQ(selector.keyboard().roll_degrees(), 0);

    selector.prefer_keyboard(true);
    EXPECT_TRUE(selector.keyboard_active());
    EXPECT_TRUE(selector.handle_key(SDLK_RIGHT));
    EXPECT_FALSE(selector.handle_key(SDLK_SPACE));
    Acceleration a;
    ASSERT_TRUE(selector.poll(&a));
    EXPECT_GT(a.x, 0.0);

    selector.prefer_keyboard(false);
    EXPECT_STREQ(selector.source_name(), "accelerometer (iio:device0)");
}

TEST(TiltSelector, GivesUpAnAccelerometerThatStopsAnswering) {
    FakeIioTree tree;
    tree.add_accelerometer("iio:device0", 0, 0, 100, "0.0980665");
    TiltSelector selector(options_for(tree));
    std::filesystem::remove(tree.root() / "iio:device0" / "in_accel_x_raw");

    Acceleration a;
    for (int i = 1; i < TiltSelector::kIioFailuresBeforeFallback; ++i) EXPECT_FALSE(selector.poll(&a));
    tree.add_accelerometer("iio:device0", 0, 0, 100, "0.0980665");
    EXPECT_TRUE(selector.poll(&a)) << "a short gap is forgiven";

    std::filesystem::remove(tree.root() / "iio:device0" / "in_accel_x_raw");
    for (int i = 0; i < TiltSelector::kIioFailuresBeforeFallback; ++i) {
        EXPECT_FALSE(selector.keyboard_active());
        EXPECT_FALSE(selector.poll(&a));
    }
    EXPECT_TRUE(selector.keyboard_active());
    EXPECT_NE(selector.iio_problem().find("stopped answering"), std::string::npos);
    EXPECT_TRUE(selector.poll(&a));
}

TEST(TiltSelector, ControllerEventsWithoutControllersChangeNothing) {
    FakeIioTree tree;
    for (bool use_controllers : {false, true}) {
        TiltSelector selector(options_for(tree, use_controllers));
        for (Sint32 which : {-1, 0, 7, 1000}) {
            selector.handle_controller_event(controller_event(SDL_CONTROLLERDEVICEADDED, which));
            selector.handle_controller_event(controller_event(SDL_CONTROLLERDEVICEREMOVED, which));
        }
        selector.handle_controller_event(controller_event(SDL_KEYDOWN, 0));
        EXPECT_TRUE(selector.keyboard_active());
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u) << "the subsystem is handed back";
}

}  // namespace
}  // namespace lumo
