// The influence kernel, scalar and vectorised.
//
// The vectorised row evaluates four kernels at once with its own
// double-precision exponential (range reduction by ln 2, then a degree-13
// Taylor polynomial: a few ulp). Its result is kept only where every value
// within a generous error bound of it rounds to the same float; otherwise the
// scalar kernel with the C library's exp decides. So the table is the scalar
// kernel's, bit for bit, whichever path computed an entry.

#include "influence_kernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace lumo {

namespace {

constexpr float kNearFalloff = -100.0f;
constexpr float kFarFalloff = -70.71068f;  // -100 / sqrt(2) in single precision
constexpr float kGravityFalloff = -10.0f;

float squared_distance(float dx, float dy, float dz) { return (dx * dx + dy * dy) + dz * dz; }

}  // namespace

float influence_kernel(float xi, float yi, float zi, float xj, float yj, float zj) {
    const float s = squared_distance(xi - xj, yi - yj, zi - zj);
    const float a = s * kNearFalloff;
    const float b = s * kFarFalloff;
    const double w = 2.0 * std::exp(static_cast<double>(a)) - std::exp(static_cast<double>(b));
    return static_cast<float>(w);
}

float gravity_weight(float xv, float yv, float zv, float cx, float cy, float cz) {
    const float s = squared_distance(xv - cx, yv - cy, zv - cz);
    return std::exp(s * kGravityFalloff);  // the float overload: expf
}

namespace {

using v4f = float __attribute__((vector_size(16)));
using v4i = int32_t __attribute__((vector_size(16)));
using v4d = double __attribute__((vector_size(32)));
using v4l = int64_t __attribute__((vector_size(32)));

[[gnu::always_inline]] inline v4f load4(const float* p) {
    v4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// exp(x) for x in [-700, 0]: x = k ln2 + r with |r| <= ln2 / 2, then
// 2^k * P(r) with P the Taylor polynomial of degree 13 (truncation < 0.1 ulp).
[[gnu::always_inline]] inline v4d exp4(v4d x) {
    constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer kept in the low bits
    constexpr double kInvLn2 = 0x1.71547652b82fep0;
    constexpr double kLn2Hi = 0x1.62e42fee00000p-1;  // trailing zeros: k * kLn2Hi is exact
    constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
    constexpr int64_t kShiftBits = 0x4338000000000000;

    v4d kd = x * kInvLn2 + kShift;
    const v4l k = reinterpret_cast<v4l>(kd) - kShiftBits;
    kd = kd - kShift;
    v4d r = x - kd * kLn2Hi;
    r = r - kd * kLn2Lo;

    v4d p = r * (1.0 / 6227020800.0) + (1.0 / 479001600.0);  // 1/13!, 1/12!
    p = p * r + (1.0 / 39916800.0);
    p = p * r + (1.0 / 3628800.0);
    p = p * r + (1.0 / 362880.0);
    p = p * r + (1.0 / 40320.0);
    p = p * r + (1.0 / 5040.0);
    p = p * r + (1.0 / 720.0);
    p = p * r + (1.0 / 120.0);
    p = p * r + (1.0 / 24.0);
    p = p * r + (1.0 / 6.0);
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;

    const v4l scale_bits = (k + 1023) << 52;
    return p * reinterpret_cast<v4d>(scale_bits);
}

}  // namespace

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void influence_row(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end,
                   float* out) {
    const float xi = xs[i], yi = ys[i], zi = zs[i];
    const v4f vxi = {xi, xi, xi, xi};
    const v4f vyi = {yi, yi, yi, yi};
    const v4f vzi = {zi, zi, zi, zi};
    // Both exponentials carry at most a few ulp here and in the C library;
    // 2^-46 of the magnitudes bounds the difference of the two w with room to spare.
    constexpr double kErrorBound = 0x1p-46;

    int j = j_begin;
    for (; j + 4 <= j_end; j += 4) {
        const v4f dx = vxi - load4(xs + j);
        const v4f dy = vyi - load4(ys + j);
        const v4f dz = vzi - load4(zs + j);
        const v4f s = (dx * dx + dy * dy) + dz * dz;
        const v4d a = __builtin_convertvector(s * kNearFalloff, v4d);
        const v4d b = __builtin_convertvector(s * kFarFalloff, v4d);
        const v4d ea = exp4(a);
        const v4d eb = exp4(b);
        const v4d w = 2.0 * ea - eb;
        const v4d bound = (2.0 * ea + eb) * kErrorBound;
        const v4f f = __builtin_convertvector(w, v4f);
        const v4f lo = __builtin_convertvector(w - bound, v4f);
        const v4f hi = __builtin_convertvector(w + bound, v4f);
        const v4i unsure = (lo != f) | (hi != f);  // also true for NaN
        std::memcpy(out + j, &f, sizeof f);
        for (int lane = 0; lane < 4; ++lane) {
            if (unsure[lane]) {
                const int jj = j + lane;
                out[jj] = influence_kernel(xi, yi, zi, xs[jj], ys[jj], zs[jj]);
            }
        }
    }
    for (; j < j_end; ++j) out[j] = influence_kernel(xi, yi, zi, xs[j], ys[j], zs[j]);
}

}  // namespace lumo
