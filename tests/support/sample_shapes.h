#pragma once
// Rest shapes for tests that need one other than the dome.

#include <vector>

#include "sim/surface_grid.h"

namespace lumo::testing {

// The flat grid with heights rising from 0.01 at column 0 to 0.11 at column 49.
inline std::vector<float> ramp_shape() {
    std::vector<float> shape(kSurfaceFloatCount);
    for (int v = 0; v < kVertexCount; ++v) {
        shape[3 * v] = grid_coordinate(v % kGridSize);
        shape[3 * v + 1] = grid_coordinate(v / kGridSize);
        shape[3 * v + 2] = 0.01f + 0.1f * static_cast<float>(v % kGridSize) / 49.0f;
    }
    return shape;
}

}  // namespace lumo::testing
