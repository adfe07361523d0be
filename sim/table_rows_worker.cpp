// The influence table's rows for the browser's Web Workers: a small module
// of its own (built as table_rows.wasm, with and without SIMD), so that
// workers can start before the program has downloaded, on the default
// dome's table. Each call computes whole rows, both halves, for the rest
// shape last given: the workers share no memory, so each row comes out
// complete. The kernel is the program's own, bit for bit.

#include "influence_kernel.h"
#include "rest_shape.h"
#include "surface_grid.h"

namespace {

constexpr int kMaxBandRows = 32;

// The rest shape as given (x, y, z per vertex), and as the kernel reads it.
float shape[lumo::kSurfaceFloatCount];
alignas(16) float xs[lumo::kVertexCount + 16];
alignas(16) float ys[lumo::kVertexCount + 16];
alignas(16) float zs[lumo::kVertexCount + 16];
float rows[kMaxBandRows * lumo::kVertexCount];

}  // namespace

extern "C" {

// Where to put the rest shape before lumo_rows_take_shape().
float* lumo_rows_shape() { return shape; }

void lumo_rows_take_shape() {
    for (int v = 0; v < lumo::kVertexCount; ++v) {
        xs[v] = shape[3 * v];
        ys[v] = shape[3 * v + 1];
        zs[v] = shape[3 * v + 2];
    }
}

// The default dome, as the program sets it up, taken as the rest shape:
// its table can be built before the program asks for it.
void lumo_rows_default_shape() {
    lumo::default_rest_shape(shape);
    lumo_rows_take_shape();
}

// Rows first .. first + count - 1, one after the other; null for a band out of range.
float* lumo_rows_compute(int first, int count) {
    if (first < 0 || count < 1 || count > kMaxBandRows || first + count > lumo::kVertexCount) return nullptr;
    for (int r = 0; r < count; ++r)
        lumo::influence_row(xs, ys, zs, first + r, 0, lumo::kVertexCount, rows + r * lumo::kVertexCount);
    return rows;
}
}
