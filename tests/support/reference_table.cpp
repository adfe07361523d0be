#include "support/reference_table.h"

#include <cmath>

#include "sim/influence_kernel.h"
#include "sim/surface_grid.h"

namespace lumo::testing {

void build_reference_table(std::span<const float> rest_shape, std::span<float> table) {
    const float* p = rest_shape.data();
    for (int i = 0; i < kVertexCount - 1; ++i) {
        table[i * kVertexCount + i] = 1.0f;
        for (int j = i + 1; j < kVertexCount; ++j) {
            const float w =
                influence_kernel(p[3 * i], p[3 * i + 1], p[3 * i + 2], p[3 * j], p[3 * j + 1], p[3 * j + 2]);
            table[i * kVertexCount + j] = w;
            table[j * kVertexCount + i] = w;
        }
    }
    table[kVertexCount * kVertexCount - 1] = 1.0f;
}

}  // namespace lumo::testing
