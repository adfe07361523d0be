#include "platform/window_metrics.h"

#include <algorithm>
#include <cmath>

namespace lumo {

WindowSize window_size_for_display(int usable_width, int usable_height, int side_room_per_scale) {
    if (usable_width <= 0 || usable_height <= 0) return {kDesignViewWidth, kDesignViewHeight};
    int height = static_cast<int>(std::lround(usable_height * 0.8));
    const int widest = static_cast<int>(std::lround(usable_width * 0.9));
    // A height that divides by 3 has an exact 2:3 width.
    height -= height % 3;
    const int side = static_cast<int>(std::ceil(side_room_per_scale * interface_scale(height)));
    if (height * 2 / 3 + side <= widest && height >= kMinimumWindowSize.height) return {height * 2 / 3 + side, height};
    if (height * 2 > widest * 3) height = widest * 3 / 2;
    height = std::max(height, kMinimumWindowSize.height);
    height -= height % 3;
    return {height * 2 / 3, height};
}

std::optional<std::size_t> window_fits_display(const DesktopRect& window, std::span<const DesktopRect> usable) {
    if (window.width < kMinimumWindowSize.width || window.height < kMinimumWindowSize.height) return std::nullopt;
    const long long area = static_cast<long long>(window.width) * window.height;
    std::optional<std::size_t> best;
    long long best_shared = 0;
    for (std::size_t i = 0; i < usable.size(); ++i) {
        const DesktopRect& display = usable[i];
        if (window.width > display.width || window.height > display.height) continue;
        if (window.y < display.y || window.y >= display.y + display.height) continue;
        // Overlap in 64 bits: coordinates far apart must not overflow.
        const long long left = std::max<long long>(window.x, display.x);
        const long long right = std::min<long long>(0LL + window.x + window.width, 0LL + display.x + display.width);
        const long long top = std::max<long long>(window.y, display.y);
        const long long bottom = std::min<long long>(0LL + window.y + window.height, 0LL + display.y + display.height);
        const long long shared = std::max(0LL, right - left) * std::max(0LL, bottom - top);
        if (shared * 4 >= area * 3 && shared > best_shared) {
            best = i;
            best_shared = shared;
        }
    }
    return best;
}

float pixels_per_point(int window_points, int drawable_pixels) {
    if (window_points <= 0 || drawable_pixels <= 0) return 1.0f;
    return static_cast<float>(drawable_pixels) / static_cast<float>(window_points);
}

float interface_scale(int view_height_points) {
    const float scale = static_cast<float>(view_height_points) / static_cast<float>(kDesignViewHeight);
    return std::max(scale, 1.0f);
}

int font_pixel_size(float interface_scale, float pixels_per_point) {
    return std::max(6, static_cast<int>(std::lround(kInterfaceFontPoints * interface_scale * pixels_per_point)));
}

std::string drawable_size_problem(int64_t width, int64_t height, const GLSizeLimits& limits) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width * height > kMaxDrawablePixels)
        return "a window of " + size + " needs more memory than lumo allows a window (at most " +
               std::to_string(kMaxDrawablePixels) + " pixels, an 8K screen's)";
    // The view's framebuffer is a renderbuffer and a texture; the window is a viewport.
    int64_t side = INT64_MAX;
    for (const int limit :
         {limits.max_renderbuffer, limits.max_texture, limits.max_viewport_width, limits.max_viewport_height})
        if (limit > 0) side = std::min<int64_t>(side, limit);
    if (width > side || height > side)
        return "a window of " + size + " is larger than this OpenGL can draw (at most " + std::to_string(side) +
               " pixels on a side)";
    return {};
}

}  // namespace lumo
