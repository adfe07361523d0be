#include "picture/picture_orientation.h"

#include <cstring>

namespace lumo {

Picture upright_picture(const Picture& stored, int orientation) {
    if (orientation < 2 || orientation > 8 || stored.empty()) return stored;
    const int w = stored.width();
    const int h = stored.height();
    const bool swaps_sides = orientation >= 5;
    Picture upright(swaps_sides ? h : w, swaps_sides ? w : h);
    if (upright.empty()) return upright;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Where stored pixel (x, y) is seen: Exif's "row 0 is the visual
            // top/right/bottom/left" cases written as coordinates.
            int ux = x, uy = y;
            switch (orientation) {
                case 2: ux = w - 1 - x; break;  // mirrored left to right
                case 3:
                    ux = w - 1 - x;
                    uy = h - 1 - y;
                    break;  // turned half round
                case 4: uy = h - 1 - y; break;  // mirrored top to bottom
                case 5:
                    ux = y;
                    uy = x;
                    break;  // transposed
                case 6:
                    ux = h - 1 - y;
                    uy = x;
                    break;  // needs a quarter turn clockwise
                case 7:
                    ux = h - 1 - y;
                    uy = w - 1 - x;
                    break;  // transverse
                case 8:
                    ux = y;
                    uy = w - 1 - x;
                    break;  // needs a quarter turn anticlockwise
            }
            std::memcpy(upright.pixel(ux, uy), stored.pixel(x, y), 4);
        }
    }
    return upright;
}

}  // namespace lumo
