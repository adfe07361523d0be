// One simulation step: the records' springs, the spreading of displacements
// and the smoothing towards the target.

#include <cmath>

#include "sim_fixture.h"

namespace lumo::testing {
namespace {

class Step : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared_ = make_dome(true).release(); }
    static void TearDownTestSuite() { delete shared_; }
    void SetUp() override {
        // Each test starts from a fresh set-up over the already built tables.
        shared_->set_init_position_and_mass_at_startup(true);
        shared_->set_initializing_index(-1);
        shared_->set_time_interval(0.05f);
    }
    LUMOTransform& trans() { return *shared_; }
    InputForce& body() { return *shared_->force_record(0); }
    void settle_body() {
        for (int axis = 0; axis < 3; ++axis) body().cur_pos[axis] = body().init_pos[axis];
    }
    static LUMOTransform* shared_;
};
LUMOTransform* Step::shared_ = nullptr;

TEST_F(Step, WithNoDisplacementTheSurfaceClosesFortyPercentOfItsGap) {
    settle_body();
    const int v = vertex_index(20, 30);
    const float rest = trans().rest_shape()[3 * v + 2];
    trans().surface_vertices()[3 * v + 2] = rest + 0.01f;
    float expected = rest + 0.01f;
    for (int n = 0; n < 5; ++n) {
        trans().setAccelDirectionAt(0, 0, 0, 0);
        trans().transform();
        expected = expected + (rest - expected) * 0.4f;
        ASSERT_EQ(trans().target_surface(), trans().rest_shape());
        ASSERT_EQ(trans().current_surface()[3 * v + 2], expected);
    }
    EXPECT_NEAR(trans().current_surface()[3 * v + 2] - rest, 0.01f * std::pow(0.6f, 5), 1e-7);
}

TEST_F(Step, TheRimNeverMoves) {
    trans().push_surface_at({0, 0}, 1);
    trans().push_surface_at({0.1f, 0.15f}, 3);
    for (int n = 0; n < 20; ++n) {
        trans().setAccelDirectionAt(0, 0.7f, -0.5f, -0.5f);
        trans().transform();
    }
    for (int k = 0; k < kGridSize; ++k)
        for (int v : {vertex_index(0, k), vertex_index(49, k), vertex_index(k, 0), vertex_index(k, 49)})
            for (int axis = 0; axis < 3; ++axis)
                ASSERT_EQ(trans().target_surface()[3 * v + axis], trans().rest_shape()[3 * v + axis]);
}

TEST_F(Step, AHandleAtTheCentreDentsItsNeighbourhood) {
    settle_body();
    trans().setAccelDirectionAt(0, 0, 0, 0);
    trans().push_surface_at({0, 0}, 1);
    const InputForce& handle = *trans().force_record(1);
    ASSERT_EQ(handle.init_index, 1275);
    ASSERT_EQ(displacement(handle, 2), 0.055f - 0.11f);
    trans().transform();

    // Centre: weight 1, height factor 1.
    EXPECT_EQ(trans().target_surface()[3 * 1275 + 2], 0.11f + (0.055f - 0.11f));
    EXPECT_NEAR(trans().target_surface()[3 * 1275 + 2], 0.055f, 1e-7);
    // The next vertex in the row: weight about 0.9918 times its height factor.
    const int next = 1276;
    const float h = trans().rest_shape()[3 * next + 2];
    const float w = trans().influence_table()[1275 * kVertexCount + next];
    const float dz = 0.055f - 0.11f;
    const float expected = h + (w * dz) * ((h - 0.01f) / 0.1f);
    EXPECT_EQ(trans().target_surface()[3 * next + 2], expected);
    EXPECT_NEAR(h - trans().target_surface()[3 * next + 2], 0.05455f, 0.00001f);
}

TEST_F(Step, AHeldHandleAtRestStaysWhereItWasPut) {
    trans().push_surface_at({0.03f, -0.02f}, 2);
    const InputForce before = trans().input_force(2);
    for (int n = 0; n < 10; ++n) {
        trans().setAccelDirectionAt(0, 0, 0, -0.5f);
        trans().transform();
    }
    const InputForce& after = *trans().force_record(2);
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(after.cur_pos[axis], before.cur_pos[axis]);
}

TEST_F(Step, AReleasedHandleSpringsBack) {
    settle_body();
    InputForce& handle = *trans().force_record(4);
    handle.init_pos[2] = 0.08f;
    handle.cur_pos[2] = 0.08f - 0.05f;
    handle.apply_pos_to_force = 1;
    trans().setAccelDirectionAt(0, 0, 0, 0);
    trans().transform();

    const float force = 0.0f - (0.1f * 147.0f) * ((0.08f - 0.05f) - 0.08f);
    const float velocity = ((force / 0.1f) * 0.05f + 0.0f) * 0.8f;
    EXPECT_EQ(handle.force[2], force);
    EXPECT_EQ(handle.velocity[2], velocity);
    EXPECT_EQ(handle.cur_pos[2], (0.08f - 0.05f) + velocity * 0.05f);
    EXPECT_NEAR(handle.force[2], 0.735f, 1e-6);
    EXPECT_NEAR(handle.velocity[2], 0.294f, 1e-6);
    EXPECT_NEAR(displacement(handle, 2), -0.0353f, 1e-6);

    // Damped oscillation back to the anchor.
    float peak_above = 0;
    for (int n = 0; n < 200; ++n) {
        trans().setAccelDirectionAt(0, 0, 0, 0);
        trans().transform();
        peak_above = std::max(peak_above, displacement(handle, 2));
    }
    EXPECT_GT(peak_above, 0.0f);  // it overshoots
    EXPECT_NEAR(displacement(handle, 2), 0.0f, 1e-6);
}

TEST_F(Step, TheBodyFallsUnderAPushIntoTheScreenWhateverItsMass) {
    for (float mass : {5.26f, 0.5f}) {
        SetUp();
        settle_body();
        body().mass = mass;
        trans().setAccelDirectionAt(0, 0, 0, -1);
        trans().transform();
        EXPECT_NEAR(body().velocity[2], -0.441f, 1e-6) << mass;
        EXPECT_NEAR(displacement(body(), 2), -0.02205f, 1e-6) << mass;
        EXPECT_EQ(body().velocity[0], 0.0f);
    }
}

TEST_F(Step, AccelerationSettersScaleTheForce) {
    trans().setAccelDirectionAt(0, 0.5f, -1, 2);
    const float g = 9.8f * body().mass;
    EXPECT_EQ(body().force[0], 0.5f * g);
    EXPECT_EQ(body().force[1], -1 * g);
    EXPECT_EQ(body().force[2], 2 * g);
    trans().setAccelAt(2, 1, 2, 3);
    EXPECT_EQ(trans().input_force(2).force[2], 0.1f * 3);
}

TEST_F(Step, WithoutTiltOnlyTheSpringActsAndTheSagSettles) {
    const float sag = displacement(body(), 2);
    ASSERT_LT(sag, 0.0f);
    trans().setAccelDirectionAt(0, 0, 0, 0);
    trans().transform();
    // Force is the spring alone: -mass * 98 * displacement.
    EXPECT_EQ(body().force[2], 0.0f - (body().mass * 98.0f) * sag);
    for (int n = 0; n < 300; ++n) {
        trans().setAccelDirectionAt(0, 0, 0, 0);
        trans().transform();
    }
    EXPECT_NEAR(displacement(body(), 2), 0.0f, 1e-6);
    EXPECT_NEAR(trans().current_surface()[3 * 1275 + 2], 0.11f, 1e-5);
}

TEST_F(Step, UnderAConstantTiltTheBodySettlesATenthOfTheDirectionAway) {
    for (int n = 0; n < 400; ++n) {
        trans().setAccelDirectionAt(0, 0.3f, -0.2f, -0.5f);
        trans().transform();
    }
    EXPECT_NEAR(displacement(body(), 0), 0.03f, 1e-5);
    EXPECT_NEAR(displacement(body(), 1), -0.02f, 1e-5);
    EXPECT_NEAR(displacement(body(), 2), -0.05f, 1e-5);
    // The top of the dome swayed with it (gravity weight about 0.986 there).
    EXPECT_GT(trans().current_surface()[3 * 1275], 0.025f);
}

}  // namespace
}  // namespace lumo::testing
