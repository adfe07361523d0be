// The influence kernel, the gravity weights, and the vectorised row against
// the scalar kernel.

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "sim/influence_kernel.h"
#include "sim_fixture.h"

namespace lumo::testing {
namespace {

float kernel_at_distance(float d) { return influence_kernel(0, 0, 0, d, 0, 0); }

float expected_kernel(float xi, float yi, float zi, float xj, float yj, float zj) {
    const float dx = xi - xj, dy = yi - yj, dz = zi - zj;
    const float s = (dx * dx + dy * dy) + dz * dz;
    const float a = s * -100.0f;
    const float b = s * static_cast<float>(-100.0 / std::sqrt(2.0));
    return static_cast<float>(2.0 * std::exp(static_cast<double>(a)) - std::exp(static_cast<double>(b)));
}

TEST(InfluenceKernel, MatchesTheDescribedComputation) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-0.2f, 0.2f);
    for (int n = 0; n < 2000; ++n) {
        const float p[6] = {coordinate(random), coordinate(random), coordinate(random) * 0.3f,
                            coordinate(random), coordinate(random), coordinate(random) * 0.3f};
        ASSERT_EQ(bits_of(influence_kernel(p[0], p[1], p[2], p[3], p[4], p[5])),
                  bits_of(expected_kernel(p[0], p[1], p[2], p[3], p[4], p[5])));
    }
}

TEST(InfluenceKernel, ShapeOverDistance) {
    EXPECT_EQ(kernel_at_distance(0), 1.0f);
    EXPECT_NEAR(kernel_at_distance(0.008f), 0.9918f, 0.0001f);
    EXPECT_GT(kernel_at_distance(0.153f), 0.0f);
    EXPECT_LT(kernel_at_distance(0.155f), 0.0f);
    EXPECT_NEAR(kernel_at_distance(0.1884f), -0.0238f, 0.0001f);
    EXPECT_NEAR(kernel_at_distance(0.4f), -0.000012f, 0.000001f);
    EXPECT_LT(kernel_at_distance(0.4f), 0.0f);
}

// Every instruction set's row (AVX-512, AVX2 and the baseline, as far as
// this CPU runs them), over random positions, repeated and coincident
// points, and the distances around the zero crossing where the two
// exponentials cancel.
TEST(InfluenceKernel, VectorisedRowEqualsTheScalarKernelBitForBit) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-0.25f, 0.25f);
    std::vector<float> xs(kVertexCount + 8), ys(kVertexCount + 8), zs(kVertexCount + 8);
    for (int v = 0; v < kVertexCount; ++v) {
        xs[v] = coordinate(random);
        ys[v] = coordinate(random);
        zs[v] = coordinate(random) * 0.4f;
    }
    for (int v = 0; v < 400; ++v) {  // a ring at the zero crossing around vertex 0
        const float angle = v * 0.0157f;
        xs[v + 1] = xs[0] + 0.15384f * std::cos(angle) + v * 1e-7f;
        ys[v + 1] = ys[0] + 0.15384f * std::sin(angle);
        zs[v + 1] = zs[0];
    }
    xs[500] = xs[0], ys[500] = ys[0], zs[500] = zs[0];
    std::vector<float> row(kVertexCount);
    ASSERT_FALSE(influence_row_variants().empty());
    for (const InfluenceRowVariant& variant : influence_row_variants()) {
        for (int i : {0, 1, 2, 500, 1234, 2497, 2498}) {
            variant.row(xs.data(), ys.data(), zs.data(), i, i + 1, kVertexCount, row.data());
            for (int j = i + 1; j < kVertexCount; ++j)
                ASSERT_EQ(bits_of(row[j]), bits_of(influence_kernel(xs[i], ys[i], zs[i], xs[j], ys[j], zs[j])))
                    << variant.name << " " << i << "," << j;
        }
    }
}

TEST(InfluenceKernel, VectorisedRowPassesNaNThrough) {
    std::vector<float> xs(16, 0.01f), ys(16, 0.02f), zs(16, 0.03f), row(16);
    xs[5] = std::numeric_limits<float>::quiet_NaN();
    influence_row(xs.data(), ys.data(), zs.data(), 0, 1, 12, row.data());
    EXPECT_TRUE(std::isnan(row[5]));
    EXPECT_EQ(row[4], 1.0f);
}

TEST(GravityWeights, DefaultDomeValues) {
    auto trans = make_dome();
    trans->set_distance_of(trans->force_record(0));
    const auto& g = trans->gravity_weights();
    const float* c = trans->input_force(0).init_pos;
    for (int v = 0; v < kVertexCount; v += 37) {
        const float* p = &trans->rest_shape()[3 * v];
        const float dx = p[0] - c[0], dy = p[1] - c[1], dz = p[2] - c[2];
        ASSERT_EQ(bits_of(g[v]), bits_of(expf(((dx * dx + dy * dy) + dz * dz) * -10.0f))) << v;
    }
    const auto largest = std::max_element(g.begin(), g.end());
    EXPECT_EQ(largest - g.begin(), 1275);
    EXPECT_NEAR(*largest, 0.9862f, 0.0001f);
    EXPECT_LT(*largest, 1.0f);
    EXPECT_EQ(std::min_element(g.begin(), g.end()) - g.begin(), 0);
    EXPECT_NEAR(g[0], 0.4355f, 0.0001f);
    EXPECT_NEAR(g[2499], 0.4564f, 0.0001f);
}

TEST(GravityWeights, DependOnDistanceAlone) {
    // About 0.67 at 0.2 and 0.2 at 0.4, equal for points at equal distance.
    EXPECT_NEAR(gravity_weight(0.2f, 0, 0, 0, 0, 0), 0.67f, 0.005f);
    EXPECT_NEAR(gravity_weight(0, 0.4f, 0, 0, 0, 0), 0.2f, 0.005f);
    EXPECT_EQ(gravity_weight(0.1f, 0, 0, 0, 0, 0), gravity_weight(0, -0.1f, 0, 0, 0, 0));
    EXPECT_EQ(gravity_weight(0, 0, 0.1f, 0, 0, 0), gravity_weight(-0.1f, 0, 0, 0, 0, 0));
}

}  // namespace
}  // namespace lumo::testing
