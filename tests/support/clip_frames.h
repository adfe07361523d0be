#pragma once
// Picture-like frames for the clip tests and benchmarks: a lit gradient, a
// shaded disc and a bar that move with the frame number, and fine grain.
// Integer arithmetic only, so every build draws the same bytes. Alpha is
// not 255: what reads the view back gets whatever the view's alpha holds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lumo::testing {

inline void draw_clip_frame(int width, int height, int index, std::span<uint8_t> rgba) {
    const int radius = (width < height ? width : height) / 5 + 1;
    const int cx = width * (30 + (index * 7) % 40) / 100;
    const int cy = height * (40 + (index * 3) % 20) / 100;
    const int bar_left = width / 8, bar_right = bar_left + width / 10 + 1;
    const int bar_top = height * (index % 10) / 20, bar_bottom = bar_top + height / 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int u = x * 256 / width, v = y * 256 / height;
            int r = 60 + u * 150 / 256, g = 80 + v * 120 / 256, b = 150 - u * 50 / 256 + v * 40 / 256;
            const int dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy, r2 = radius * radius;
            if (d2 < r2) {
                const int shade = 255 - d2 * 120 / r2;
                r = 230 * shade / 255, g = 90 * shade / 255, b = 60 * shade / 255;
            }
            if (x >= bar_left && x < bar_right && y >= bar_top && y < bar_bottom) r = 40, g = 40, b = 50;
            const uint32_t grain = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u);
            const int noise = static_cast<int>(grain >> 30) - 2;
            uint8_t* p = &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 4];
            const int channel[3] = {r + noise, g + noise, b + noise};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(channel[c] < 0 ? 0 : channel[c] > 255 ? 255 : channel[c]);
            p[3] = 200;
        }
    }
}

inline std::vector<uint8_t> clip_frame(int width, int height, int index) {
    std::vector<uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    draw_clip_frame(width, height, index, rgba);
    return rgba;
}

}  // namespace lumo::testing
