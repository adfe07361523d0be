#include "rest_shape.h"

#include <cmath>

#include "surface_grid.h"

namespace lumo {

namespace {

bool is_rim(int row, int column) { return row == 0 || row == kGridSize - 1 || column == 0 || column == kGridSize - 1; }

}  // namespace

float default_dome_height(float x, float y) {
    constexpr float kRadiusSquared = 0.2f * 0.2f;
    const float c = (x * x + y * y) / kRadiusSquared;
    const float e = (c * -5.0f) * c;
    const double z = static_cast<double>(0.11f) * std::exp(static_cast<double>(e)) + static_cast<double>(0.01f);
    return static_cast<float>(z);
}

void normalize_rest_heights(std::span<float> positions) {
    float least = 1.1f;
    float greatest = -1.1f;
    for (int v = 0; v < kVertexCount; ++v) {
        const float z = positions[3 * v + 2];
        if (z < least) least = z;
        if (z > greatest) greatest = z;
    }
    const float span = greatest - least;
    if (std::isfinite(span)) {
        for (int v = 0; v < kVertexCount; ++v) {
            float& z = positions[3 * v + 2];
            z = span > 0.0f ? ((z - least) * 0.1f) / span + kRestHeightMin : kRestHeightMin;
        }
    } else {
        // Finite heights whose range overflows a float (1.7e38 and -1.7e38):
        // the same rescaling in double, whose range holds any float span, so
        // the rest shape stays finite. Ordinary shapes keep the float path
        // above and rescale exactly as they always have.
        const double wide_span = static_cast<double>(greatest) - static_cast<double>(least);
        for (int v = 0; v < kVertexCount; ++v) {
            float& z = positions[3 * v + 2];
            z = static_cast<float>((static_cast<double>(z) - least) * 0.1 / wide_span) + kRestHeightMin;
        }
    }
    for (int row = 0; row < kGridSize; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            if (is_rim(row, column)) positions[3 * vertex_index(row, column) + 2] = kRestHeightMin;
        }
    }
}

void default_rest_shape(std::span<float> positions) {
    for (int row = 0; row < kGridSize; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            const float x = grid_coordinate(column);
            const float y = grid_coordinate(row);
            float* vertex = &positions[3 * vertex_index(row, column)];
            vertex[0] = x;
            vertex[1] = y;
            vertex[2] = default_dome_height(x, y);
        }
    }
    normalize_rest_heights(positions);
}

}  // namespace lumo
