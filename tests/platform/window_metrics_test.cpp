// The window's size for a display, and the interface's scale and font size
// for a view and a screen density.

#include <gtest/gtest.h>

#include "platform/gl_window.h"
#include "platform/window_metrics.h"

namespace lumo {
namespace {

void expect_portrait(WindowSize size) {
    EXPECT_EQ(size.width * 3, size.height * 2) << size.width << " x " << size.height;
    // A 2:3 window leaves no letterbox bars around the view.
    const ViewRect view = portrait_rect_in(size.width, size.height);
    EXPECT_EQ(view.width, size.width);
    EXPECT_EQ(view.height, size.height);
}

TEST(WindowSizeForDisplay, TakesAbout80PercentOfTheUsableHeight) {
    // A 1920 x 1080 screen with a 40-point panel; a 4K one at its own pixels.
    for (WindowSize usable : {WindowSize{1920, 1040}, WindowSize{3840, 2100}, WindowSize{1366, 738}}) {
        const WindowSize size = window_size_for_display(usable.width, usable.height);
        expect_portrait(size);
        EXPECT_NEAR(size.height, usable.height * 0.8, 3.0) << usable.width << " x " << usable.height;
    }
}

TEST(WindowSizeForDisplay, NarrowTinyAndUnknownDisplays) {
    const WindowSize narrow = window_size_for_display(400, 1000);  // a portrait phone-like screen
    expect_portrait(narrow);
    EXPECT_LE(narrow.width, 360) << "at most nine tenths of the width";
    const WindowSize tiny = window_size_for_display(200, 250);
    EXPECT_EQ(tiny.width, kMinimumWindowSize.width);
    EXPECT_EQ(tiny.height, kMinimumWindowSize.height);
    const WindowSize unknown = window_size_for_display(0, 0);
    EXPECT_EQ(unknown.width, 320);
    EXPECT_EQ(unknown.height, 480);
}

TEST(InterfaceScale, FollowsTheViewAndTheScreenDensity) {
    EXPECT_FLOAT_EQ(interface_scale(960), 2.0f);
    EXPECT_FLOAT_EQ(interface_scale(10), 0.5f) << "never too small to read";

    EXPECT_FLOAT_EQ(pixels_per_point(320, 640), 2.0f);
    EXPECT_FLOAT_EQ(pixels_per_point(0, 640), 1.0f) << "a minimised window";

    // The font is rasterised at the pixels it is shown at, never scaled up.
    EXPECT_EQ(font_pixel_size(1.0f, 2.0f), 26);
    EXPECT_EQ(font_pixel_size(1.5f, 2.0f), 39);
}

}  // namespace
}  // namespace lumo
