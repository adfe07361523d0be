// The influence kernel, scalar and vectorised.
//
// The vectorised row evaluates sixteen kernels at once with its own
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

// Sixteen lanes: wider than any register, so each operation splits into
// independent pieces whose latencies overlap (the polynomial is a long chain).
constexpr int kLanes = 16;
using vf = float __attribute__((vector_size(4 * kLanes)));
using vd = double __attribute__((vector_size(8 * kLanes)));
using vl = int64_t __attribute__((vector_size(8 * kLanes)));

[[gnu::always_inline]] inline vf load(const float* p) {
    vf v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// exp(x) for x in [-700, 0]: x = k ln2 + r with |r| <= ln2 / 2, then
// 2^k * P(r) with P the Taylor polynomial of degree 13 (truncation < 0.1 ulp).
[[gnu::always_inline]] inline vd exp_lanes(vd x) {
    constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer kept in the low bits
    constexpr double kInvLn2 = 0x1.71547652b82fep0;
    constexpr double kLn2Hi = 0x1.62e42fee00000p-1;  // trailing zeros: k * kLn2Hi is exact
    constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
    constexpr int64_t kShiftBits = 0x4338000000000000;

    vd kd = x * kInvLn2 + kShift;
    const vl k = reinterpret_cast<vl>(kd) - kShiftBits;
    kd = kd - kShift;
    vd r = x - kd * kLn2Hi;
    r = r - kd * kLn2Lo;

    vd p = r * (1.0 / 6227020800.0) + (1.0 / 479001600.0);  // 1/13!, 1/12!
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

    const vl scale_bits = (k + 1023) << 52;
    return p * reinterpret_cast<vd>(scale_bits);
}

}  // namespace

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void influence_row(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end,
                   float* out) {
    const float xi = xs[i], yi = ys[i], zi = zs[i];
    // Both exponentials carry at most a few ulp here and in the C library;
    // 2^-46 of the magnitudes bounds the difference of the two w with room to spare.
    constexpr double kErrorBound = 0x1p-46;

    int j = j_begin;
    for (; j + kLanes <= j_end; j += kLanes) {
        const vf dx = xi - load(xs + j);
        const vf dy = yi - load(ys + j);
        const vf dz = zi - load(zs + j);
        const vf s = (dx * dx + dy * dy) + dz * dz;
        const vd a = __builtin_convertvector(s * kNearFalloff, vd);
        const vd b = __builtin_convertvector(s * kFarFalloff, vd);
        const vd ea = exp_lanes(a);
        const vd eb = exp_lanes(b);
        const vd w = 2.0 * ea - eb;
        const vd bound = (2.0 * ea + eb) * kErrorBound;
        const vf f = __builtin_convertvector(w, vf);
        const vf lo = __builtin_convertvector(w - bound, vf);
        const vf hi = __builtin_convertvector(w + bound, vf);
        // Compared in double, where the compiler keeps the lanes in vector registers.
        const vd fd = __builtin_convertvector(f, vd);
        const vl unsure = (__builtin_convertvector(lo, vd) != fd) | (__builtin_convertvector(hi, vd) != fd);  // and NaN
        std::memcpy(out + j, &f, sizeof f);
        int64_t any_unsure = 0;
        for (int lane = 0; lane < kLanes; ++lane) any_unsure |= unsure[lane];
        if (any_unsure == 0) continue;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (unsure[lane]) {
                const int jj = j + lane;
                out[jj] = influence_kernel(xi, yi, zi, xs[jj], ys[jj], zs[jj]);
            }
        }
    }
    for (; j < j_end; ++j) out[j] = influence_kernel(xi, yi, zi, xs[j], ys[j], zs[j]);
}

}  // namespace lumo
