#pragma once
// Sizes that follow from the display and the window: how big the window
// opens, how large the interface is drawn, and at what pixel size its font
// is rasterised, and whether a window put back where it was last time
// still shows on the screens connected now. Plain arithmetic, so that any host (desktop or browser)
// can use it and tests can check it without a display.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumo {

struct WindowSize {
    int width = 0, height = 0;
};

// A rectangle on the desktop, in points (x grows right, y down).
struct DesktopRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The interface was laid out for a 320 x 480 point view; it grows with the view.
inline constexpr int kDesignViewWidth = 320;
inline constexpr int kDesignViewHeight = 480;
// The interface font's height at scale 1, in points (ImGui's own font is 13).
inline constexpr float kInterfaceFontPoints = 13.0f;
// The smallest window: half the design view.
inline constexpr WindowSize kMinimumWindowSize{kDesignViewWidth / 2, kDesignViewHeight / 2};

// The window a display's usable area (points, without panels and docks)
// suits: 80% of the usable height, the 2:3 view and beside it
// side_room_per_scale points for each unit of the interface's scale (the
// control panel's room, which grows with the view), no wider than 90% of the
// usable width (narrower: the view alone, 2:3), never below the minimum. A
// display that reports no size gets the design size.
WindowSize window_size_for_display(int usable_width, int usable_height, int side_room_per_scale = 0);

// The display a window saved at `window` goes back on: the one among
// `usable` (each connected display's usable bounds, without panels and
// docks) that holds the most of it, provided it holds at least three
// quarters of its area, the whole of its size, and its top edge (where the
// title bar is grabbed). nullopt when none does (a display was unplugged,
// or the window is smaller than the minimum): open where the default puts it.
std::optional<std::size_t> window_fits_display(const DesktopRect& window, std::span<const DesktopRect> usable);

// The most drawable pixels a window may have: an 8K screen's (7680 x 4320)
// and a little more. Each pixel costs the window, the view's framebuffer and
// its copies some 25 bytes, so this keeps a window under a gigabyte.
inline constexpr int64_t kMaxDrawablePixels = int64_t{1} << 25;

// What the OpenGL at hand can draw into (GL_MAX_RENDERBUFFER_SIZE,
// GL_MAX_TEXTURE_SIZE, GL_MAX_VIEWPORT_DIMS); 0 where unknown.
struct GLSizeLimits {
    int max_renderbuffer = 0;
    int max_texture = 0;
    int max_viewport_width = 0;
    int max_viewport_height = 0;
};

// Why a window of width x height drawable pixels cannot be drawn, in plain
// words; empty when it can. Without limits only kMaxDrawablePixels counts.
std::string drawable_size_problem(int64_t width, int64_t height, const GLSizeLimits& limits = {});

// Drawable pixels per window point: 2 on a doubled (high-DPI) screen, 1 when
// either size is unknown.
float pixels_per_point(int window_points, int drawable_pixels);

// How much larger than designed the interface is drawn, given the view's
// height in points. Never below the design size, where every control is a
// fingertip (44 points) tall, under a finger or a mouse.
float interface_scale(int view_height_points);

// The font's rasterised height in whole pixels: the points the interface
// asks for times the pixels per point, so text stays sharp on any screen.
int font_pixel_size(float interface_scale, float pixels_per_point);

}  // namespace lumo
