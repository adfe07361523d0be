#include "clip/palette_remap.h"

#include <algorithm>
#include <climits>

namespace lumo {
namespace {

constexpr int kCellBits = 6;  // per channel: 64 x 64 x 64 cells of 4 values a side
constexpr int kCellShift = 8 - kCellBits;

// An 8 x 8 Bayer matrix: thresholds 0..63 spread evenly over every window.
constexpr uint8_t kBayer[64] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
                                6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
                                49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};
// The dither's reach, in colour values either way: enough to break the
// bands of a smooth gradient over 255 colours, small enough that a decoded
// frame stays within 3 per channel of its source on average.
constexpr int kDitherReach = 3;

uint8_t clamped(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// Weighted squared distance, green counting most, as the eye does.
int distance(int r, int g, int b, const uint8_t* entry) {
    const int dr = r - entry[0], dg = g - entry[1], db = b - entry[2];
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

}  // namespace

PaletteRemap::PaletteRemap() : nearest_(std::size_t{1} << (3 * kCellBits), -1) {}

void PaletteRemap::remap(std::span<const uint8_t> rgba, int width, std::span<const uint8_t> palette_rgb, int colours,
                         std::span<uint8_t> indices) {
    std::fill(nearest_.begin(), nearest_.end(), int16_t{-1});
    const std::size_t row = static_cast<std::size_t>(width);
    const std::size_t rows = std::min(rgba.size() / 4, indices.size()) / row;
    constexpr int kHalfCell = 1 << (kCellShift - 1);
    for (std::size_t y = 0; y < rows; ++y) {
        const uint8_t* thresholds = &kBayer[(y & 7) * 8];
        for (std::size_t x = 0; x < row; ++x) {
            const std::size_t i = y * row + x;
            const int offset = (2 * thresholds[x & 7] - 63) * kDitherReach / 64;
            const uint8_t* p = &rgba[4 * i];
            const uint8_t r = clamped(p[0] + offset), g = clamped(p[1] + offset), b = clamped(p[2] + offset);
            const int cell =
                ((r >> kCellShift) << (2 * kCellBits)) | ((g >> kCellShift) << kCellBits) | (b >> kCellShift);
            int16_t& entry = nearest_[static_cast<std::size_t>(cell)];
            if (entry < 0) {
                // The entry nearest the cell's middle.
                const int cr = ((r >> kCellShift) << kCellShift) + kHalfCell;
                const int cg = ((g >> kCellShift) << kCellShift) + kHalfCell;
                const int cb = ((b >> kCellShift) << kCellShift) + kHalfCell;
                int best = 0, best_distance = INT_MAX;
                for (int k = 0; k < colours; ++k) {
                    const int d = distance(cr, cg, cb, &palette_rgb[3 * static_cast<std::size_t>(k)]);
                    if (d < best_distance) best_distance = d, best = k;
                }
                entry = static_cast<int16_t>(best);
            }
            indices[i] = static_cast<uint8_t>(entry);
        }
    }
}

}  // namespace lumo
