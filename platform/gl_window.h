#pragma once
// The program's one window and its OpenGL compatibility-profile context
// (fixed function, the OpenGL ES 1.1 calls plus framebuffer objects).
// The drawing view keeps a 2:3 portrait rectangle centred in the window, so a
// resized window letterboxes the picture instead of distorting it.

#include <SDL.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_metrics.h"

namespace lumo {

struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;  // top-left origin
};

struct WindowOptions {
    bool headless = false;  // SDL's offscreen driver: a real context, no display
    // Points; 0 x 0 means what suits the display (window_size_for_display),
    // or the design's 320 x 480 when headless.
    int width = 0;
    int height = 0;
    // Headless only: drawable pixels per point, as a high-DPI screen has
    // them (the offscreen driver has no such screens of its own).
    int pixel_ratio = 1;
    const char* title = "lumo";
    // Room beside the view for the interface, in points per unit of scale,
    // when the window's size is chosen for the display.
    int side_room_per_scale = 0;
    // Where the window was last time (desktop points), and whether it filled
    // the screen: taken only where it still fits a connected display.
    std::optional<DesktopRect> place = std::nullopt;
    bool full_screen = false;
};

class GLWindow {
public:
    // Null with *error set when SDL, the window or the context cannot be had,
    // or the size asked for is more than can be drawn (drawable_size_problem:
    // then *too_large is set, a mistake of the caller rather than the machine).
    static std::unique_ptr<GLWindow> create(const WindowOptions& options, std::string* error,
                                            bool* too_large = nullptr);
    ~GLWindow();
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    SDL_Window* sdl_window() const { return window_; }
    SDL_GLContext gl_context() const { return context_; }
    bool headless() const { return headless_; }
    bool make_current() const;

    // The view's rectangle in window points and in drawable pixels: the
    // largest 2:3 rectangle, centred unless the interface placed it
    // elsewhere (place_view).
    ViewRect view_rect_points() const;
    // Puts the view's top-left corner at (x, y) points, as the interface's
    // layout for the window's present size wants it; ignored when the view
    // would not fit there any more (the window has changed since).
    void place_view(int x, int y) { placed_x_ = x, placed_y_ = y; }
    ViewRect view_rect_pixels() const;
    void window_size_points(int* width, int* height) const;
    void drawable_size_pixels(int* width, int* height) const;
    void swap() const;
    void set_title(const std::string& title) const;
    bool full_screen() const;
    void set_full_screen(bool full) const;
    // The window's place and size on the desktop in points, as it is when
    // not filling the screen.
    DesktopRect desktop_rect() const;
    // Seconds between refreshes of the screen the window is on (1/60 where
    // the screen does not say).
    double refresh_seconds() const;

private:
    GLWindow() = default;
    ViewRect placed_in(ViewRect centred, int width, int height) const;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    bool headless_ = false;
    int pixel_ratio_ = 1;  // > 1 only for a headless stand-in for a high-DPI screen
    int placed_x_ = -1, placed_y_ = -1;  // place_view(); -1: centred
};

// Each connected display's usable bounds, in desktop points (SDL's video
// must be running).
std::vector<DesktopRect> usable_displays();

// The largest 2:3 (width:height) rectangle centred in width x height.
ViewRect portrait_rect_in(int width, int height);

}  // namespace lumo
