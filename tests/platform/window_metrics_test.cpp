// The window's size for a display, whether a saved window still fits the
// displays connected now, and the interface's scale and font size for a view
// and a screen density.

#include "platform/window_metrics.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gl_window.h"

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

TEST(WindowFitsDisplay, ASavedWindowGoesBackOnlyWhereItStillShows) {
    // A laptop screen under a 32-point panel, and a monitor to its left.
    const DesktopRect laptop{0, 32, 1920, 1048};
    const DesktopRect monitor{-2560, 0, 2560, 1440};
    constexpr int kNone = -1;
    struct Row {
        const char* what;
        DesktopRect window;
        std::vector<DesktopRect> displays;
        int expected;  // index into displays, or kNone: the default place
    };
    const Row rows[] = {
        {"inside the laptop's screen", {100, 100, 640, 960}, {laptop}, 0},
        {"inside the monitor", {-2000, 200, 640, 960}, {laptop, monitor}, 1},
        {"the monitor unplugged", {-2000, 200, 640, 960}, {laptop}, kNone},
        {"a fifth off the right edge", {1408, 100, 640, 960}, {laptop}, 0},
        {"half off the right edge", {1600, 100, 640, 960}, {laptop}, kNone},
        {"its top under the panel, where its title bar cannot be grabbed", {100, 10, 640, 960}, {laptop}, kNone},
        {"taller than the screen now (a smaller screen)", {100, 40, 800, 1200}, {laptop}, kNone},
        {"across both, mostly on the laptop", {-100, 100, 640, 960}, {laptop, monitor}, 0},
        {"across both, evenly", {-320, 100, 640, 960}, {laptop, monitor}, kNone},
        {"smaller than the smallest window", {100, 100, 100, 150}, {laptop}, kNone},
        {"no size", {100, 100, 0, 0}, {laptop}, kNone},
        {"no display reported", {100, 100, 640, 960}, {}, kNone},
        {"far beyond any screen, without overflowing", {2'000'000'000, 2'000'000'000, 640, 960}, {laptop}, kNone},
    };
    for (const Row& row : rows) {
        const std::optional<std::size_t> found = window_fits_display(row.window, row.displays);
        EXPECT_EQ(found ? static_cast<int>(*found) : kNone, row.expected) << row.what;
    }
}

// A window is bounded by what the OpenGL at hand can draw into and by a
// memory bound: 16384 x 16384 took 7 GB before.
TEST(DrawableSize, IsBoundedByTheGLLimitsAndMemory) {
    const GLSizeLimits llvmpipe{16384, 16384, 16384, 16384};
    const GLSizeLimits small{4096, 8192, 8192, 8192};
    const struct {
        int64_t width, height;
        GLSizeLimits limits;
        const char* says;  // "" when it may be drawn
    } rows[] = {
        {320, 480, {}, ""},
        {4320, 7680, llvmpipe, ""},  // an 8K screen on its side
        {16384, 16384, llvmpipe, "needs more memory than lumo allows"},
        {8000, 12000, {}, "at most 33554432 pixels"},
        {4097, 4000, small, "larger than this OpenGL can draw (at most 4096 pixels on a side)"},
        {4000, 4097, small, "at most 4096 pixels"},
        {4096, 4096, small, ""},
        {3000, 5000, GLSizeLimits{0, 0, 8192, 4800}, "at most 4800 pixels"},
    };
    for (const auto& row : rows) {
        const std::string problem = drawable_size_problem(row.width, row.height, row.limits);
        EXPECT_EQ(problem.empty(), *row.says == '\0') << row.width << " x " << row.height << ": " << problem;
        EXPECT_NE(problem.find(row.says), std::string::npos) << problem;
    }
}

TEST(InterfaceScale, FollowsTheViewAndTheScreenDensity) {
    EXPECT_FLOAT_EQ(interface_scale(960), 2.0f);
    EXPECT_FLOAT_EQ(interface_scale(10), 1.0f) << "never below a fingertip's controls";

    EXPECT_FLOAT_EQ(pixels_per_point(320, 640), 2.0f);
    EXPECT_FLOAT_EQ(pixels_per_point(0, 640), 1.0f) << "a minimised window";

    // The font is rasterised at the pixels it is shown at, never scaled up.
    EXPECT_EQ(font_pixel_size(1.0f, 2.0f), 26);
    EXPECT_EQ(font_pixel_size(1.5f, 2.0f), 39);
}

}  // namespace
}  // namespace lumo
