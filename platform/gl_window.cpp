#include "platform/gl_window.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/gl.h"
#include "platform/host.h"
#include "platform/startup_trace.h"
#include "platform/window_metrics.h"

namespace lumo {

ViewRect portrait_rect_in(int width, int height) {
    // 2:3: the width is two thirds of the height, whichever side limits it.
    int w = width, h = height;
    if (static_cast<long>(w) * 3 > static_cast<long>(h) * 2) w = (h * 2) / 3;
    else h = (w * 3) / 2;
    return {(width - w) / 2, (height - h) / 2, w, h};
}

namespace {
GLSizeLimits current_gl_size_limits() {
    GLSizeLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.max_renderbuffer);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.max_texture);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.max_viewport_width = viewport[0];
    limits.max_viewport_height = viewport[1];
    return limits;
}
}  // namespace

std::unique_ptr<GLWindow> GLWindow::create(const WindowOptions& options, std::string* error, bool* too_large) {
    if (too_large) *too_large = false;
    const auto refuse_size = [&](const std::string& problem) {
        if (error) *error = problem;
        if (too_large) *too_large = true;
        return nullptr;
    };
    if (options.headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    // No touches made from the mouse. Mouse events made from touches stay on:
    // the control panel takes taps through them, and the view ignores them.
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        if (error) *error = std::string("cannot start SDL video: ") + SDL_GetError();
        return nullptr;
    }
    startup_mark("SDL video started");
    std::unique_ptr<GLWindow> window(new GLWindow);
    window->headless_ = options.headless;
    window->pixel_ratio_ = options.headless ? std::max(1, options.pixel_ratio) : 1;
    WindowSize size{options.width, options.height};
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    const bool chosen = size.width > 0 && size.height > 0;
    if (!chosen && !options.headless && options.place) {
        if (window_fits_display(*options.place, usable_displays())) {
            size = {options.place->width, options.place->height};
            x = options.place->x, y = options.place->y;
        }
    }
    if (size.width <= 0 || size.height <= 0) {
        SDL_Rect usable{};
        if (options.headless || SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = SDL_Rect{};
        size = window_size_for_display(usable.w, usable.h, options.side_room_per_scale);
    }

    // Before the window: its surface alone would take the memory.
    const int64_t width_pixels = int64_t{size.width} * window->pixel_ratio_;
    const int64_t height_pixels = int64_t{size.height} * window->pixel_ratio_;
    if (std::string problem = drawable_size_problem(width_pixels, height_pixels); !problem.empty())
        return refuse_size(problem);

    host_request_gl_context();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);  // the view draws into its own framebuffer

    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    window->window_ = SDL_CreateWindow(options.title, x, y, size.width * window->pixel_ratio_,
                                       size.height * window->pixel_ratio_, flags);
    if (window->window_ == nullptr) {
        if (error) *error = std::string("cannot open a window: ") + SDL_GetError();
        return nullptr;
    }
    startup_mark("window opened");
    SDL_SetWindowMinimumSize(window->window_, kMinimumWindowSize.width * window->pixel_ratio_,
                             kMinimumWindowSize.height * window->pixel_ratio_);
    window->context_ = SDL_GL_CreateContext(window->window_);
    if (window->context_ == nullptr) {
        if (error) *error = std::string("cannot create an OpenGL context: ") + SDL_GetError();
        return nullptr;
    }
    // A high-DPI screen may give the window more pixels than points.
    int drawable_width = 0, drawable_height = 0;
    SDL_GL_GetDrawableSize(window->window_, &drawable_width, &drawable_height);
    if (std::string problem =
            drawable_size_problem(std::max<int64_t>(drawable_width, width_pixels),
                                  std::max<int64_t>(drawable_height, height_pixels), current_gl_size_limits());
        !problem.empty())
        return refuse_size(problem);
    // Frames are paced by the frame timer, never by the display's refresh.
    SDL_GL_SetSwapInterval(0);
    if (!options.headless && !chosen && options.full_screen) window->set_full_screen(true);
    startup_mark("GL context made");
    return window;
}

GLWindow::~GLWindow() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

bool GLWindow::make_current() const { return SDL_GL_MakeCurrent(window_, context_) == 0; }

void GLWindow::window_size_points(int* width, int* height) const {
    SDL_GetWindowSize(window_, width, height);
    *width /= pixel_ratio_;
    *height /= pixel_ratio_;
}

void GLWindow::drawable_size_pixels(int* width, int* height) const { SDL_GL_GetDrawableSize(window_, width, height); }

ViewRect GLWindow::view_rect_points() const {
    int w = 0, h = 0;
    window_size_points(&w, &h);
    return placed_in(portrait_rect_in(w, h), w, h);
}

ViewRect GLWindow::placed_in(ViewRect centred, int width, int height) const {
    if (placed_x_ < 0 || placed_y_ < 0 || placed_x_ + centred.width > width || placed_y_ + centred.height > height)
        return centred;
    return {placed_x_, placed_y_, centred.width, centred.height};
}

// The points rectangle scaled to pixels, so both name the same area on high-DPI screens.
ViewRect GLWindow::view_rect_pixels() const {
    int wp = 0, hp = 0, wx = 0, hx = 0;
    window_size_points(&wp, &hp);
    drawable_size_pixels(&wx, &hx);
    const ViewRect r = placed_in(portrait_rect_in(wp, hp), wp, hp);
    const double sx = wp > 0 ? static_cast<double>(wx) / wp : 1.0;
    const double sy = hp > 0 ? static_cast<double>(hx) / hp : 1.0;
    return {static_cast<int>(r.x * sx + 0.5), static_cast<int>(r.y * sy + 0.5),
            std::max(1, static_cast<int>(r.width * sx + 0.5)), std::max(1, static_cast<int>(r.height * sy + 0.5))};
}

void GLWindow::swap() const { SDL_GL_SwapWindow(window_); }

void GLWindow::set_title(const std::string& title) const { SDL_SetWindowTitle(window_, title.c_str()); }

bool GLWindow::full_screen() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0; }

// The desktop's full screen: the window fills the screen it is on, at the
// screen's own mode; the view stays 2:3 inside it.
void GLWindow::set_full_screen(bool full) const {
    SDL_SetWindowFullscreen(window_, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

DesktopRect GLWindow::desktop_rect() const {
    DesktopRect rect;
    SDL_GetWindowPosition(window_, &rect.x, &rect.y);
    SDL_GetWindowSize(window_, &rect.width, &rect.height);
    return rect;
}

// Each connected display's usable bounds (without panels and docks).
std::vector<DesktopRect> usable_displays() {
    std::vector<DesktopRect> displays;
    const int count = SDL_GetNumVideoDisplays();
    for (int index = 0; index < count; ++index) {
        SDL_Rect usable{};
        if (SDL_GetDisplayUsableBounds(index, &usable) == 0)
            displays.push_back({usable.x, usable.y, usable.w, usable.h});
    }
    return displays;
}

double GLWindow::refresh_seconds() const {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        return 1.0 / mode.refresh_rate;
    return 1.0 / 60.0;
}

}  // namespace lumo
