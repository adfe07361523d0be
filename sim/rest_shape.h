#pragma once
// The default dome and the normalisation every rest shape goes through, as
// plain functions: the transform sets up its rest shape with them, and the
// browser's table workers (sim/table_rows_worker.cpp) compute the default
// dome's table with them before the program has started.

#include <span>

namespace lumo {

// z = 0.01 + 0.11 exp(-5 u^2), u = (x^2 + y^2) / 0.2^2: 0.12 at the centre,
// about 0.010741 at the middle of an edge, practically 0.01 at the corners.
float default_dome_height(float x, float y);

// Heights (every third of the 7500 floats) rescaled to span 0.01..0.11 and
// the rim pinned at 0.01. A shape with no relief at all (every height equal)
// has nothing to rescale and lies flat at 0.01 instead of dividing by zero.
void normalize_rest_heights(std::span<float> positions);

// The program's first rest shape: the grid under the default dome, normalised.
void default_rest_shape(std::span<float> positions);

}  // namespace lumo
