#pragma once
// Pictures made in memory for the picture tests, and files written by others.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "support/temp_folder.h"

namespace lumo::testing {

using Rgba = std::array<uint8_t, 4>;

inline Picture make_picture(int width, int height, const std::function<Rgba(int x, int y)>& colour_at) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba c = colour_at(x, y);
            std::copy(c.begin(), c.end(), picture.pixel(x, y));
        }
    }
    return picture;
}

inline Rgba pixel_at(const Picture& picture, int x, int y) {
    const uint8_t* p = picture.pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline bool same_pixels(const Picture& a, const Picture& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels(), a.pixels() + a.byte_count(), b.pixels());
}

// Largest difference of any channel.
inline int colour_distance(const Rgba& a, const Rgba& b) {
    int worst = 0;
    for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(int{a[c]} - int{b[c]}));
    return worst;
}

inline std::string describe(const Rgba& c) {
    return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) + ", " +
           std::to_string(c[3]) + ")";
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Files written by SDL2 and SDL2_image themselves, not through our encoder,
// so that decoding is checked against an independent writer.
std::vector<uint8_t> straight_alpha_png(int width, int height, const std::vector<uint8_t>& rgba,
                                        const std::filesystem::path& folder);
std::vector<uint8_t> jpeg_of(const Picture& opaque, const std::filesystem::path& folder);
std::vector<uint8_t> bmp_of(const Picture& opaque, const std::filesystem::path& folder);

}  // namespace lumo::testing
