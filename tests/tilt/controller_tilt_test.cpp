#include <gtest/gtest.h>

#include "expect_reading.h"
#include "tilt/tilt_controller.h"

namespace lumo {
namespace {

constexpr float kG = SDL_STANDARD_GRAVITY;

using testing::expect_reading;

// SDL reads +g along the controller axis that points up.
TEST(ControllerToDevice, LyingFlatIsFaceUp) { expect_reading(controller_to_device(0, kG, 0), 0, 0, -1); }

TEST(ControllerToDevice, FarEdgeUpIsUpright) { expect_reading(controller_to_device(0, 0, -kG), 0, -1, 0); }

TEST(ControllerToDevice, RightSideDownIsRightSideDown) { expect_reading(controller_to_device(-kG, 0, 0), 1, 0, 0); }

TEST(ControllerTilt, OpensNothingWithoutTheSubsystem) {
    ASSERT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
    EXPECT_EQ(ControllerTilt::open(0), nullptr);
    EXPECT_EQ(ControllerTilt::open(-1), nullptr);
}

}  // namespace
}  // namespace lumo
