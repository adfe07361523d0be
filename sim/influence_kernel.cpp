// The influence kernel, scalar and vectorised.
//
// The vectorised row evaluates sixteen kernels at once with its own, cheaper
// double-precision exponential (a Taylor polynomial after range reduction:
// about 2^-40 relative, 2^-44 in the AVX-512 row). Its result is kept only
// where every value within a generous error bound of it rounds to the same
// float; otherwise the scalar kernel with the C library's exp decides. So the
// table is the scalar kernel's, bit for bit, whichever path computed an entry
// and whichever instruction set the CPU has.

#include "influence_kernel.h"

#include <array>
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
using vi = int32_t __attribute__((vector_size(4 * kLanes)));
using vd = double __attribute__((vector_size(8 * kLanes)));
using vl = int64_t __attribute__((vector_size(8 * kLanes)));

[[gnu::always_inline]] inline vf load(const float* p) {
    vf v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// exp(x) for x in [-700, 0], to about 2^-40 relative: the guard in
// influence_row only needs the float rounding settled, not a correct double.
// x = (k / 2) ln2 + r with |r| <= ln2 / 4, then 2^(k/2) * P(r) with P the
// Taylor polynomial of degree 8 (truncation below 2^-41). k = 2m + j with
// j in {-1, 0, 1}, so 2^(k/2) = 2^m * sqrt(2)^j; all of it in double lanes,
// which every vector unit has (AVX2 has no 64-bit arithmetic shift).
[[gnu::always_inline]] inline vd exp_lanes(vd x) {
    constexpr double kShift = 0x1.8p52;  // adding it rounds to an integer kept in the low bits
    constexpr int64_t kShiftBits = 0x4338000000000000;
    constexpr double kTwoOverLn2 = 0x1.71547652b82fep1;
    constexpr double kHalfLn2Hi = 0x1.62e42fee00000p-2;  // trailing zeros: k * kHalfLn2Hi is exact
    constexpr double kHalfLn2Lo = 0x1.a39ef35793c76p-34;
    // sqrt(2)^j = 1 + j (sqrt2 - 1/sqrt2) / 2 + j^2 ((sqrt2 + 1/sqrt2) / 2 - 1) for j in {-1, 0, 1}.
    constexpr double kOddLinear = 0x1.6a09e667f3bcep-2;  // (sqrt2 - 1/sqrt2) / 2
    constexpr double kOddSquare = 0x1.f0ed99bed9b40p-5;  // (sqrt2 + 1/sqrt2) / 2 - 1

    vd kd = x * kTwoOverLn2 + kShift;
    kd = kd - kShift;
    vd r = x - kd * kHalfLn2Hi;
    r = r - kd * kHalfLn2Lo;
    const vd md = kd * 0.5 + kShift;  // m = k / 2 rounded, in the low bits
    const vd j = kd - (md - kShift) * 2.0;

    vd p = r * (1.0 / 40320.0) + (1.0 / 5040.0);
    p = p * r + (1.0 / 720.0);
    p = p * r + (1.0 / 120.0);
    p = p * r + (1.0 / 24.0);
    p = p * r + (1.0 / 6.0);
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;

    const vd odd_factor = (j * kOddSquare + kOddLinear) * j + 1.0;
    const vl scale_bits = (reinterpret_cast<vl>(md) - kShiftBits + 1023) << 52;
    return p * odd_factor * reinterpret_cast<vd>(scale_bits);
}

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define LUMO_KERNEL_TARGETS 1

// exp(x) for x in [-700, 0], to about 2^-44 relative, where a register
// holds eight doubles that any lane can pick from (AVX-512's vpermpd): x =
// (k / 8) ln2 + r with |r| <= ln2 / 16, then 2^m * 2^(j/8) * P(r) for
// k = 8m + j, 2^(j/8) looked up in the register, P the Taylor polynomial of
// degree 6 (truncation below 2^-44). Fewer operations than exp_lanes; without
// such a permute the lookup costs more than it saves.
[[gnu::always_inline]] inline vd exp_lanes_looked_up(vd x) {
    using vd8 = double __attribute__((vector_size(64)));
    using vl8 = int64_t __attribute__((vector_size(64)));
    using vu = uint64_t __attribute__((vector_size(8 * kLanes)));
    constexpr double kShift = 0x1.8p52;
    constexpr uint64_t kShiftBits = 0x4338000000000000;
    constexpr double kEightOverLn2 = 0x1.71547652b82fep3;
    constexpr double kEighthLn2Hi = 0x1.62e42fee00000p-4;  // trailing zeros: k * kEighthLn2Hi is exact
    constexpr double kEighthLn2Lo = 0x1.a39ef35793c76p-36;
    constexpr vd8 kEighthPowers = {0x1p0,
                                   0x1.172b83c7d517bp0,
                                   0x1.306fe0a31b715p0,
                                   0x1.4bfdad5362a27p0,
                                   0x1.6a09e667f3bcdp0,
                                   0x1.8ace5422aa0dbp0,
                                   0x1.ae89f995ad3adp0,
                                   0x1.d5818dcfba487p0};  // 2^(j/8)

    vd kd = x * kEightOverLn2 + kShift;
    const vu k = reinterpret_cast<vu>(kd) - kShiftBits;  // two's complement k
    kd = kd - kShift;
    vd r = x - kd * kEighthLn2Hi;
    r = r - kd * kEighthLn2Lo;

    vd p = r * (1.0 / 720.0) + (1.0 / 120.0);
    p = p * r + (1.0 / 24.0);
    p = p * r + (1.0 / 6.0);
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;

    vl8 j[kLanes / 8];
    vd8 power[kLanes / 8];
    const vu j_lanes = k & 7;
    std::memcpy(j, &j_lanes, sizeof j);
    for (int h = 0; h < kLanes / 8; ++h) power[h] = __builtin_shuffle(kEighthPowers, j[h]);
    vu scale_bits;
    std::memcpy(&scale_bits, power, sizeof scale_bits);
    scale_bits += (k & ~uint64_t{7}) << 49;  // m = k >> 3 added to the exponent field
    return p * reinterpret_cast<vd>(scale_bits);
}
#endif

// Sixteen kernels from their exponents a and b: w in out, and in unsure
// each lane's bits where the rounding of w to float is not settled (zero:
// settled). Returns nonzero when any lane is unsure. Fused multiply-adds are
// welcome here, the guard's bound covers them; the exponents, which must
// match the scalar kernel to the bit, are computed before, without.
template <vd (*Exp)(vd)>
[[gnu::always_inline]] inline uint64_t block_weights(const double* a_in, const double* b_in, float* out,
                                                     int32_t* unsure) {
    // The exponentials here are good to 2^-40, the C library's to 2^-52:
    // 2^-38 of the magnitudes bounds the difference of the two w with room
    // to spare, and leaves the scalar kernel about one entry in 700.
    constexpr double kErrorBound = 0x1p-38;
    vd a, b;
    std::memcpy(&a, a_in, sizeof a);
    std::memcpy(&b, b_in, sizeof b);
    const vd ea = Exp(a);
    const vd eb = Exp(b);
    const vd w = 2.0 * ea - eb;
    const vd bound = (2.0 * ea + eb) * kErrorBound;
    const vf f = __builtin_convertvector(w, vf);
    const vf lo = __builtin_convertvector(w - bound, vf);
    const vf hi = __builtin_convertvector(w + bound, vf);
    std::memcpy(out, &f, sizeof f);
    // Any bit that differs: integer operations only, no lane-by-lane compares.
    const vi differs =
        (reinterpret_cast<vi>(lo) ^ reinterpret_cast<vi>(f)) | (reinterpret_cast<vi>(hi) ^ reinterpret_cast<vi>(f));
    std::memcpy(unsure, &differs, sizeof differs);
    uint64_t words[sizeof differs / sizeof(uint64_t)];
    std::memcpy(words, &differs, sizeof differs);
    uint64_t any_unsure = 0;
    for (uint64_t word : words) any_unsure |= word;
    return any_unsure;
}

using BlockWeights = uint64_t (*)(const double* a, const double* b, float* out, int32_t* unsure);

// The row around the blocks: exponents, the blocks, and the scalar kernel
// for unsure entries and the last few.
template <BlockWeights Block>
[[gnu::always_inline]] inline void row_of_blocks(const float* xs, const float* ys, const float* zs, int i, int j_begin,
                                                 int j_end, float* out) {
    const float xi = xs[i], yi = ys[i], zi = zs[i];
    alignas(64) double a[kLanes], b[kLanes];
    alignas(64) int32_t unsure[kLanes];
    int j = j_begin;
    for (; j + kLanes <= j_end; j += kLanes) {
        const vf dx = xi - load(xs + j);
        const vf dy = yi - load(ys + j);
        const vf dz = zi - load(zs + j);
        const vf s = (dx * dx + dy * dy) + dz * dz;
        const vd av = __builtin_convertvector(s * kNearFalloff, vd);
        const vd bv = __builtin_convertvector(s * kFarFalloff, vd);
        std::memcpy(a, &av, sizeof a);
        std::memcpy(b, &bv, sizeof b);
        if (Block(a, b, out + j, unsure) == 0) continue;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (unsure[lane] != 0) {
                const int jj = j + lane;
                out[jj] = influence_kernel(xi, yi, zi, xs[jj], ys[jj], zs[jj]);
            }
        }
    }
    for (; j < j_end; ++j) out[j] = influence_kernel(xi, yi, zi, xs[j], ys[j], zs[j]);
}

// One row function per instruction set, each with its own block function,
// where fused multiply-adds are allowed (GCC: per function) and nowhere else.
#if defined(__GNUC__) && !defined(__clang__)
#define LUMO_BLOCK_ATTRIBUTES optimize("fp-contract=fast"), noinline
#else
#define LUMO_BLOCK_ATTRIBUTES noinline
#endif

__attribute__((LUMO_BLOCK_ATTRIBUTES)) uint64_t baseline_block(const double* a, const double* b, float* out,
                                                               int32_t* unsure) {
    return block_weights<exp_lanes>(a, b, out, unsure);
}

void baseline_row(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end, float* out) {
    row_of_blocks<baseline_block>(xs, ys, zs, i, j_begin, j_end, out);
}

#ifdef LUMO_KERNEL_TARGETS
// AVX2 with FMA: four doubles a vector.
__attribute__((target("arch=x86-64-v3"), LUMO_BLOCK_ATTRIBUTES)) uint64_t avx2_block(const double* a, const double* b,
                                                                                     float* out, int32_t* unsure) {
    return block_weights<exp_lanes>(a, b, out, unsure);
}

__attribute__((target("arch=x86-64-v3"))) void avx2_row(const float* xs, const float* ys, const float* zs, int i,
                                                        int j_begin, int j_end, float* out) {
    row_of_blocks<avx2_block>(xs, ys, zs, i, j_begin, j_end, out);
}

// AVX-512: eight doubles a vector, 32 registers that hold the polynomial's
// chains without spilling, and the looked-up exponential.
__attribute__((target("arch=x86-64-v4"), LUMO_BLOCK_ATTRIBUTES)) uint64_t avx512_block(const double* a, const double* b,
                                                                                       float* out, int32_t* unsure) {
    return block_weights<exp_lanes_looked_up>(a, b, out, unsure);
}

__attribute__((target("arch=x86-64-v4"))) void avx512_row(const float* xs, const float* ys, const float* zs, int i,
                                                          int j_begin, int j_end, float* out) {
    row_of_blocks<avx512_block>(xs, ys, zs, i, j_begin, j_end, out);
}
#endif

// Fastest first, then every other this CPU can run.
struct RowVariants {
    std::array<InfluenceRowVariant, 3> list{};
    size_t count = 0;
    RowVariants() {
#ifdef LUMO_KERNEL_TARGETS
        __builtin_cpu_init();
        if (__builtin_cpu_supports("x86-64-v4")) list[count++] = {"AVX-512", avx512_row};
        if (__builtin_cpu_supports("x86-64-v3")) list[count++] = {"AVX2", avx2_row};
#endif
        list[count++] = {"baseline", baseline_row};
    }
};

const RowVariants& row_variants() {
    static const RowVariants variants;
    return variants;
}

}  // namespace

std::span<const InfluenceRowVariant> influence_row_variants() {
    const RowVariants& variants = row_variants();
    return {variants.list.data(), variants.count};
}

void influence_row(const float* xs, const float* ys, const float* zs, int i, int j_begin, int j_end, float* out) {
    static const InfluenceRowFunction fastest = row_variants().list[0].row;
    fastest(xs, ys, zs, i, j_begin, j_end, out);
}

}  // namespace lumo
