// The default dome, normalisation, body mass and centroid, force records after
// a set-up, and the exchange of the rest shape with files.

#include <cmath>
#include <limits>
#include <vector>

#include "sim_fixture.h"

namespace lumo::testing {
namespace {

// The dome as described: c and e in single precision, the exponential in double.
float expected_dome(float x, float y) {
    const float radius_squared = 0.2f * 0.2f;
    const float c = (x * x + y * y) / radius_squared;
    const float e = (c * -5.0f) * c;
    return static_cast<float>(static_cast<double>(0.11f) * std::exp(static_cast<double>(e)) +
                              static_cast<double>(0.01f));
}

TEST(GridCoordinate, RunsFromMinus02To0192InSteps) {
    EXPECT_EQ(grid_coordinate(0), -0.2f);
    EXPECT_EQ(grid_coordinate(25), 0.0f);
    EXPECT_EQ(grid_coordinate(49), (49.0f * 0.4f) / 50.0f - 0.2f);
    EXPECT_NEAR(grid_coordinate(49), 0.192f, 1e-7);
    EXPECT_NEAR(grid_coordinate(11) - grid_coordinate(10), 0.008f, 1e-7);
}

TEST(DefaultDome, HeightsMatchTheSinglePrecisionFormula) {
    for (int k = 0; k < kGridSize; k += 7) {
        for (int j = 0; j < kGridSize; j += 3) {
            const float x = grid_coordinate(j), y = grid_coordinate(k);
            EXPECT_EQ(bits_of(LUMOTransform::surfaceHeightAtX(x, y)), bits_of(expected_dome(x, y))) << k << "," << j;
        }
    }
    EXPECT_EQ(LUMOTransform::surfaceHeightAtX(0, 0), 0.12f);
    EXPECT_NEAR(LUMOTransform::surfaceHeightAtX(0.2f, 0), 0.010741f, 1e-6);
    EXPECT_NEAR(LUMOTransform::surfaceHeightAtX(-0.2f, -0.2f), 0.01f, 1e-7);
}

TEST(DefaultDome, NormalisedToTheHeightRangeWithThePinnedRim) {
    auto trans = make_dome();
    EXPECT_EQ(rest_height(*trans, 25, 25), 0.11f);
    float least = 1, greatest = -1;
    for (int v = 0; v < kVertexCount; ++v) {
        least = std::min(least, trans->rest_shape()[3 * v + 2]);
        greatest = std::max(greatest, trans->rest_shape()[3 * v + 2]);
    }
    EXPECT_EQ(least, 0.01f);
    EXPECT_EQ(greatest, 0.11f);
    for (int k = 0; k < kGridSize; ++k) {
        EXPECT_EQ(rest_height(*trans, 0, k), 0.01f);
        EXPECT_EQ(rest_height(*trans, 49, k), 0.01f);
        EXPECT_EQ(rest_height(*trans, k, 0), 0.01f);
        EXPECT_EQ(rest_height(*trans, k, 49), 0.01f);
    }
    // x and y are the grid coordinates, column along x and row along y.
    EXPECT_EQ(trans->rest_shape()[3 * vertex_index(3, 7)], grid_coordinate(7));
    EXPECT_EQ(trans->rest_shape()[3 * vertex_index(3, 7) + 1], grid_coordinate(3));
}

TEST(DefaultDome, NormalisationFollowsTheSinglePrecisionFormula) {
    auto trans = make_dome();
    // Raw least is the corner height; raw greatest the centre's 0.12.
    float least = 1.1f, greatest = -1.1f;
    for (int k = 0; k < kGridSize; ++k)
        for (int j = 0; j < kGridSize; ++j) {
            const float z = expected_dome(grid_coordinate(j), grid_coordinate(k));
            if (z < least) least = z;
            if (z > greatest) greatest = z;
        }
    EXPECT_EQ(greatest, 0.12f);
    for (int k = 1; k < kGridSize - 1; k += 5)
        for (int j = 1; j < kGridSize - 1; j += 4) {
            const float raw = expected_dome(grid_coordinate(j), grid_coordinate(k));
            const float expected = ((raw - least) * 0.1f) / (greatest - least) + 0.01f;
            EXPECT_EQ(bits_of(rest_height(*trans, k, j)), bits_of(expected)) << k << "," << j;
        }
}

TEST(DefaultDome, VolumeMassAndCentroid) {
    auto trans = make_dome();
    float volume = 0, sx = 0, sy = 0, sz = 0;
    const float cell = 0.008f * 0.008f;
    for (int k = 0; k < kGridSize; ++k)
        for (int j = 0; j < kGridSize; ++j) {
            const float z = rest_height(*trans, k, j);
            const float v = z * cell;
            volume += v;
            const float m = v * 800.0f;
            sx += m * grid_coordinate(j);
            sy += m * grid_coordinate(k);
            sz += (z * 0.5f) * m;
        }
    const float mass = 800.0f * volume;
    const InputForce& body = *trans->force_record(0);
    EXPECT_EQ(trans->total_volume(), volume);
    EXPECT_EQ(body.mass, volume * 800.0f);
    EXPECT_EQ(body.cur_pos[0], sx / mass);
    EXPECT_EQ(body.cur_pos[1], sy / mass);
    EXPECT_EQ(body.cur_pos[2], sz / mass);
    EXPECT_EQ(body.init_pos[2], (sz / mass + 0.11f) * 0.5f);

    EXPECT_NEAR(trans->total_volume(), 0.00657f, 0.000005f);
    EXPECT_NEAR(body.mass, 5.26f, 0.005f);
    EXPECT_NEAR(body.cur_pos[0], -0.001011f, 0.000001f);
    EXPECT_NEAR(body.cur_pos[1], -0.001011f, 0.000001f);
    EXPECT_NEAR(body.cur_pos[2], 0.03557f, 0.00001f);
    EXPECT_NEAR(body.init_pos[2], 0.07278f, 0.00001f);
}

TEST(SetUp, LeavesSurfacesEqualAndRecordsIdle) {
    auto trans = make_dome();
    // Disturb everything a set-up must reset: a press, a tilt, steps.
    trans->init_distance();
    trans->push_surface_at({0, 0}, 2);
    trans->setAccelDirectionAt(0, 0.4f, -0.3f, -0.5f);
    for (int step = 0; step < 5; ++step) trans->transform();
    trans->surface_vertices()[100] = 7;
    trans->set_init_position_and_mass_at_startup(true);

    EXPECT_EQ(trans->current_surface(), trans->rest_shape());
    EXPECT_EQ(trans->target_surface(), trans->rest_shape());
    for (int n = 1; n < kForceCount; ++n) {
        const InputForce& handle = *trans->force_record(n);
        EXPECT_EQ(handle.spring_const, 147.0f);
        EXPECT_EQ(handle.velocity_ratio, 0.8f);
        EXPECT_EQ(handle.mass, 0.1f);
        EXPECT_EQ(handle.apply_pos_to_force, 0);
        EXPECT_EQ(handle.distance, trans->gravity_weights().data());
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(displacement(handle, axis), 0.0f);
            EXPECT_EQ(handle.velocity[axis], 0.0f);
        }
    }
    const InputForce& body = *trans->force_record(0);
    EXPECT_EQ(body.spring_const, 98.0f);
    EXPECT_EQ(body.velocity_ratio, 0.9f);
    EXPECT_EQ(body.apply_pos_to_force, 1);
    EXPECT_EQ(body.distance, trans->gravity_weights().data());
    EXPECT_EQ(body.velocity[2], 0.0f);
    EXPECT_EQ(displacement(body, 0), 0.0f);
    EXPECT_EQ(displacement(body, 1), 0.0f);
    EXPECT_NEAR(displacement(body, 2), (body.cur_pos[2] - 0.11f) / 2, 1e-7);
}

TEST(Normalisation, AShapeAlreadyInRangeStaysPut) {
    auto trans = make_dome();
    const auto before = trans->rest_shape();
    trans->normalizeToZDirection();
    for (int v = 0; v < kVertexCount; ++v) EXPECT_NEAR(trans->rest_shape()[3 * v + 2], before[3 * v + 2], 2e-8f) << v;
}

TEST(Normalisation, AFlatCurrentSurfaceFixesToAFlatFiniteShape) {
    auto trans = make_dome();
    for (int v = 0; v < kVertexCount; ++v) trans->surface_vertices()[3 * v + 2] = 0.3f;
    trans->set_init_position_and_mass_at_startup(false);
    for (int v = 0; v < kVertexCount; ++v) ASSERT_EQ(trans->rest_shape()[3 * v + 2], 0.01f);
    EXPECT_TRUE(std::isfinite(trans->input_force(0).init_pos[2]));
    EXPECT_GT(trans->input_force(0).mass, 0.0f);
}

TEST(RestShapeExchange, RoundTripCopiesTheRestShapeIntoTheCurrentSurfaceExactly) {
    auto trans = make_dome();
    const std::vector<float> saved = trans->getInitSurfacePosition();
    ASSERT_EQ(saved.size(), 7500u);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), trans->rest_shape().begin()));
    std::fill_n(trans->surface_vertices(), kSurfaceFloatCount, 0.5f);
    EXPECT_TRUE(trans->setInitSurfacePositionBy(saved));
    EXPECT_EQ(trans->current_surface(), trans->rest_shape());
}

TEST(RestShapeExchange, WritesTheCurrentSurfaceOnly) {
    auto trans = make_dome();
    const auto rest = trans->rest_shape();
    const InputForce body = trans->input_force(0);
    std::vector<float> values(7500);
    for (size_t k = 0; k < values.size(); ++k) values[k] = static_cast<float>(k) * 0.001f;
    EXPECT_TRUE(trans->setInitSurfacePositionBy(values));
    EXPECT_TRUE(std::equal(values.begin(), values.end(), trans->current_surface().begin()));
    EXPECT_EQ(trans->rest_shape(), rest);
    EXPECT_EQ(trans->input_force(0).init_pos[2], body.init_pos[2]);
}

TEST(RestShapeExchange, RefusesWrongCountsAndValuesThatAreNotFinite) {
    auto trans = make_dome();
    const auto current = trans->current_surface();
    std::vector<float> values(7499, 0.02f);
    EXPECT_FALSE(trans->setInitSurfacePositionBy(values));
    values.assign(7501, 0.02f);
    EXPECT_FALSE(trans->setInitSurfacePositionBy(values));
    values.assign(0, 0.0f);
    EXPECT_FALSE(trans->setInitSurfacePositionBy(values));
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        values.assign(7500, 0.02f);
        values[7499] = bad;  // the very last one: nothing before it may have been written
        EXPECT_FALSE(trans->setInitSurfacePositionBy(values));
    }
    EXPECT_EQ(trans->current_surface(), current);
}

}  // namespace
}  // namespace lumo::testing
