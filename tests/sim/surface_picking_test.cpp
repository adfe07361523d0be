// Vertex lookups, the height sampler and the touch handles.

#include <cmath>

#include "sim_fixture.h"

namespace lumo::testing {
namespace {

Point rest_position(const LUMOTransform& trans, int row, int column) {
    const float* v = &trans.rest_shape()[3 * vertex_index(row, column)];
    return {v[0], v[1]};
}

TEST(Picking, TheCentrePointPicksTheCentreVertexEveryWay) {
    auto trans = make_dome();
    EXPECT_EQ(trans->cur_closest_index_at({0, 0}), 1275);
    EXPECT_EQ(trans->cur_fine_closest_index_at({0, 0}), 1275);
    EXPECT_EQ(trans->cur_highest_close_index_at({0, 0}, 0.008f), 1275);
    EXPECT_EQ(trans->current_surface_z_at({0, 0}), 0.11f);
}

TEST(Picking, TheCoarseDescentIsCloseButNotNearest) {
    auto trans = make_dome();
    EXPECT_EQ(trans->cur_closest_index_at(rest_position(*trans, 10, 10)), vertex_index(11, 11));
    for (int column = 24; column <= 27; ++column) {
        const int i = trans->cur_closest_index_at({rest_position(*trans, 25, column).x, 0.0f});
        EXPECT_EQ(i % kGridSize, 25) << column;
    }
    // Every point of the visible area lands within rows 3..47 and columns 11..39.
    for (float x = -0.12666667f; x <= 0.12666667f; x += 0.0031f)
        for (float y = -0.19f; y <= 0.19f; y += 0.0047f) {
            const int i = trans->cur_closest_index_at({x, y});
            ASSERT_GE(i / kGridSize, 3);
            ASSERT_LE(i / kGridSize, 47);
            ASSERT_GE(i % kGridSize, 11);
            ASSERT_LE(i % kGridSize, 39);
        }
}

TEST(Picking, APointLevelWithTheExaminedVertexMovesDown) {
    auto trans = make_dome();
    // On row 25 the fourth pass examines column 23: a point level with it in
    // x moves down to column 21, one just right of it up to column 25.
    const float x = grid_coordinate(23);
    EXPECT_EQ(trans->cur_closest_index_at({x, 0.0f}), vertex_index(25, 21));
    EXPECT_EQ(trans->cur_closest_index_at({std::nextafter(x, 1.0f), 0.0f}), vertex_index(25, 25));
    EXPECT_EQ(trans->cur_closest_index_at({0.0f, x}), vertex_index(21, 25));
}

TEST(Picking, TheCoarseDescentStaysOnTheGrid) {
    auto trans = make_dome();
    for (Point p : {Point{-1, -1}, Point{1, 1}, Point{-1, 1}, Point{1, -1}, Point{0.192f, 0.0f}, Point{-0.2f, -0.2f}}) {
        const int i = trans->cur_closest_index_at(p);
        EXPECT_GE(i, 0);
        EXPECT_LT(i, kVertexCount);
    }
    EXPECT_EQ(trans->cur_closest_index_at({1, 1}), vertex_index(49, 49));
    EXPECT_EQ(trans->cur_closest_index_at({-1, -1}), vertex_index(0, 0));
    // Row-1 vertices pulled into the visible area: a press there must name a vertex.
    for (int column = 0; column < kGridSize; ++column)
        trans->surface_vertices()[3 * vertex_index(1, column) + 1] = -0.15f;
    trans->push_surface_at({0.0f, -0.19f}, 1);
    EXPECT_GE(trans->input_force(1).init_index, 0);
    EXPECT_LT(trans->input_force(1).init_index, kVertexCount);
}

TEST(Picking, TiesGoToTheLowerIndex) {
    auto trans = make_dome();
    for (int v = 0; v < kVertexCount; ++v) {
        trans->surface_vertices()[3 * v] = 5.0f;
        trans->surface_vertices()[3 * v + 2] = -0.5f;
    }
    auto put = [&](int v, float x, float y, float z) {
        float* p = trans->surface_vertices() + 3 * v;
        p[0] = x, p[1] = y, p[2] = z;
    };
    put(700, 0.004f, 0.0f, 0.05f);
    put(300, -0.004f, 0.0f, 0.05f);
    EXPECT_EQ(trans->cur_fine_closest_index_at({0, 0}), 300);
    EXPECT_EQ(trans->cur_highest_close_index_at({0, 0}, 0.008f), 300);
    put(900, 0.0f, 0.007f, 0.06f);  // higher and inside the square
    EXPECT_EQ(trans->cur_highest_close_index_at({0, 0}, 0.008f), 900);
    EXPECT_EQ(trans->cur_fine_closest_index_at({0, 0}), 300);  // z plays no part
}

TEST(Picking, FarFromEveryVertexTheNearestSearchFallsBackToTheDescent) {
    auto trans = make_dome();
    const Point far = {2.0f, 2.0f};
    EXPECT_EQ(trans->cur_fine_closest_index_at(far), trans->cur_closest_index_at(far));
    // Nothing qualifies when all vertices lie at or below -0.11.
    for (int v = 0; v < kVertexCount; ++v) trans->surface_vertices()[3 * v + 2] = -0.11f;
    const Point p = rest_position(*trans, 30, 30);
    EXPECT_EQ(trans->cur_highest_close_index_at(p, 0.008f), trans->cur_fine_closest_index_at(p));
}

// The four vertices of the triangle-choice example, everything else far below.
class Sampling : public ::testing::Test {
protected:
    void SetUp() override {
        trans_ = make_dome();
        for (int v = 0; v < kVertexCount; ++v) trans_->surface_vertices()[3 * v + 2] = -0.5f;
        place(25, 25, 0.0f, 0.0f, 0.05f);
        place(25, 26, 0.008f, 0.0f, 0.03f);
        place(26, 25, 0.0f, 0.008f, 0.02f);
        place(26, 26, 0.008f, 0.008f, 0.01f);
    }
    void place(int row, int column, float x, float y, float z) {
        float* v = trans_->surface_vertices() + 3 * vertex_index(row, column);
        v[0] = x, v[1] = y, v[2] = z;
    }
    const float* at(int row, int column) { return &trans_->current_surface()[3 * vertex_index(row, column)]; }
    // The plane through a, b, c at p, evaluated as described.
    static float plane(const float* a, const float* b, const float* c, Point p) {
        const float e1x = b[0] - a[0], e1y = b[1] - a[1], e2x = c[0] - a[0], e2y = c[1] - a[1];
        const float det = e1x * e2y - e2x * e1y;
        const float dx = p.x - a[0], dy = p.y - a[1];
        const float s = (e2y * dx - e2x * dy) / det;
        const float t = (e1x * dy - e1y * dx) / det;
        return a[2] + (b[2] - a[2]) * s + (c[2] - a[2]) * t;
    }
    std::unique_ptr<LUMOTransform> trans_;
};

TEST_F(Sampling, PicksTheTriangleWithoutTheFarthestCorner) {
    const float *p0 = at(25, 25), *p1 = at(25, 26), *p2 = at(26, 25), *p3 = at(26, 26);
    struct Case {
        Point p;
        const float *b, *c;
        float nominal;
    };
    const Case cases[] = {
        {{0.006f, 0.006f}, p1, p2, 0.0125f},  // the picked vertex is farthest: extrapolated
        {{0.002f, 0.002f}, p1, p2, 0.0375f},  // the diagonal vertex is farthest
        {{0.001f, 0.007f}, p2, p3, 0.0225f},  // the next-column vertex is farthest
        {{0.007f, 0.001f}, p1, p3, 0.03f},  // the next-row vertex is farthest
    };
    for (const Case& c : cases) {
        const float z = trans_->current_surface_z_at(c.p);
        EXPECT_EQ(bits_of(z), bits_of(plane(p0, c.b, c.c, c.p))) << c.p.x << "," << c.p.y;
        EXPECT_NEAR(z, c.nominal, 1e-6) << c.p.x << "," << c.p.y;
    }
}

TEST(SamplingAtTheBorder, AClampedNeighbourCollapsesToThePickedHeight) {
    auto trans = make_dome();
    // Raise column 49 so that its vertex is the highest near the point.
    const int v = vertex_index(20, 49);
    trans->surface_vertices()[3 * v + 2] = 0.09f;
    const Point p = {trans->current_surface()[3 * v] + 0.001f, trans->current_surface()[3 * v + 1]};
    EXPECT_EQ(trans->current_surface_z_at(p), 0.09f);
}

TEST(SamplingAtTheBorder, SamplingAnUndisturbedDomeKeepsItsShape) {
    auto trans = make_dome();
    const auto rest = trans->rest_shape();
    trans->set_init_position_and_mass_at_startup(false);
    for (int v = 0; v < kVertexCount; ++v) ASSERT_NEAR(trans->rest_shape()[3 * v + 2], rest[3 * v + 2], 0.003f) << v;
    EXPECT_NEAR(trans->rest_shape()[3 * 1275 + 2], 0.11f, 0.003f);
}

TEST(Handles, APressSinksTheHandleToHalfTheRestHeight) {
    auto trans = make_dome();
    InputForce& handle = *trans->force_record(3);
    handle.apply_pos_to_force = 1;
    handle.velocity[0] = 0.25f;
    handle.force[1] = 3.0f;
    const Point p = {0.031f, -0.047f};
    trans->push_surface_at(p, 3);
    const int i = trans->cur_closest_index_at(p);
    const float h = trans->rest_shape()[3 * i + 2];
    EXPECT_EQ(handle.init_index, i);
    EXPECT_EQ(handle.init_pos[0], p.x);
    EXPECT_EQ(handle.init_pos[1], p.y);
    EXPECT_EQ(handle.init_pos[2], h);
    EXPECT_EQ(handle.cur_pos[2], 0.5f * h);
    EXPECT_EQ(handle.distance, trans->influence_table().data() + i * kVertexCount);
    EXPECT_EQ(handle.apply_pos_to_force, 0);
    EXPECT_EQ(handle.velocity[0], 0.25f);  // velocity and force are kept
    EXPECT_EQ(handle.force[1], 3.0f);
}

TEST(Handles, ADragNearTheAnchorOnlyMovesTheHandlePoint) {
    auto trans = make_dome();
    trans->push_surface_at({0, 0}, 1);
    const InputForce before = trans->input_force(1);
    trans->move_surface_at({0.03f, 0.04f}, 1);  // 0.05 away
    const InputForce& after = *trans->force_record(1);
    EXPECT_EQ(after.cur_pos[0], 0.03f);
    EXPECT_EQ(after.cur_pos[1], 0.04f);
    EXPECT_EQ(after.cur_pos[2], before.cur_pos[2]);
    EXPECT_EQ(after.init_index, before.init_index);
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(after.init_pos[axis], before.init_pos[axis]);
}

TEST(Handles, AFarDragMakesTheAnchorTrailTheFinger) {
    auto trans = make_dome();
    trans->push_surface_at({0, 0}, 1);
    trans->surface_vertices()[3 * 1275 + 2] = 0.1f;  // current heights differ from rest
    const Point p = {0.06f, 0.08f};  // 0.1 away
    trans->move_surface_at(p, 1);
    const InputForce& handle = *trans->force_record(1);
    const float dx = 0.0f - p.x, dy = 0.0f - p.y;
    const float d = std::sqrt(dx * dx + dy * dy);
    EXPECT_EQ(handle.init_pos[0], p.x + (dx * 0.05714286f) / d);
    EXPECT_EQ(handle.init_pos[1], p.y + (dy * 0.05714286f) / d);
    EXPECT_NEAR(std::hypot(handle.init_pos[0] - p.x, handle.init_pos[1] - p.y), 0.05714286f, 1e-6);
    const int i = trans->cur_closest_index_at({handle.init_pos[0], handle.init_pos[1]});
    EXPECT_EQ(handle.init_index, i);
    EXPECT_EQ(handle.init_pos[2], trans->current_surface()[3 * i + 2]);  // from the current surface
    EXPECT_EQ(handle.cur_pos[2], 0.5f * trans->current_surface()[3 * i + 2]);
    EXPECT_EQ(handle.distance, trans->influence_table().data() + i * kVertexCount);
    EXPECT_EQ(handle.apply_pos_to_force, 0);
}

TEST(Handles, AReleaseOnlySetsTheSpringFlag) {
    auto trans = make_dome();
    trans->push_surface_at({0.02f, 0.01f}, 4);
    const InputForce before = trans->input_force(4);
    trans->release_surface_at({0.5f, 0.5f}, 4);
    trans->release_surface_at({0.5f, 0.5f}, 4);
    const InputForce& after = *trans->force_record(4);
    EXPECT_EQ(after.apply_pos_to_force, 1);
    EXPECT_EQ(std::memcmp(after.init_pos, before.init_pos, sizeof after.init_pos), 0);
    EXPECT_EQ(std::memcmp(after.cur_pos, before.cur_pos, sizeof after.cur_pos), 0);
    EXPECT_EQ(after.distance, before.distance);
}

}  // namespace
}  // namespace lumo::testing
