#pragma once
// The weights through which a displacement spreads over the surface.

#include <span>

namespace lumo {

// Weight with which vertex j follows a handle anchored at vertex i:
// w = 2 exp(-100 s) - exp(-70.71068 s) for the squared distance s, the
// exponentials in double precision, everything else in single precision.
// 1 at distance 0, 0 at about 0.1538, slightly negative beyond.
float influence_kernel(float xi, float yi, float zi, float xj, float yj, float zj);

// Gravity-type weight exp(-10 s), all in single precision.
float gravity_weight(float xv, float yv, float zv, float cx, float cy, float cz);

// Writes out[j] = influence_kernel(vertex i, vertex j) for j in [j_begin, j_end),
// bit for bit, from positions given as separate x, y and z arrays. Runs several
// kernels at once with a vectorised exponential and falls back to the scalar
// kernel for any entry whose rounding the fast path cannot vouch for.
void influence_row(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end, float* out);

// influence_row as compiled for each instruction set this CPU runs, the one
// influence_row uses first: all give the same bits, which tests check.
using InfluenceRowFunction = void (*)(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end,
                                      float* out);
struct InfluenceRowVariant {
    const char* name = nullptr;
    InfluenceRowFunction row = nullptr;
};
std::span<const InfluenceRowVariant> influence_row_variants();

}  // namespace lumo
