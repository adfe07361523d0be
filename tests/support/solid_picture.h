#pragma once
// A picture of one colour throughout: a file or a shape whose picture can be
// told from any other by one pixel.

#include <array>
#include <cstdint>

#include "picture/picture.h"

namespace lumo::testing {

inline Picture solid_picture(int width, int height, std::array<uint8_t, 4> rgba) {
    Picture picture(width, height);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            for (int c = 0; c < 4; ++c) picture.pixel(x, y)[c] = rgba[c];
    return picture;
}

}  // namespace lumo::testing
