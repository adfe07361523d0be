// The index list, texture coordinates and normals laid over the grid.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "render/mesh_buffers.h"
#include "sim/surface_grid.h"

namespace lumo::testing {
namespace {

TEST(IndexList, CellsInRowMajorOrderTwoTrianglesEach) {
    std::array<uint16_t, 2401 * 6> indices{};
    fill_surface_indices(indices);
    const uint16_t first[] = {0, 1, 50, 50, 1, 51};
    const uint16_t second_row[] = {50, 51, 100, 100, 51, 101};
    const uint16_t last[] = {2448, 2449, 2498, 2498, 2449, 2499};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(indices[k], first[k]);
        EXPECT_EQ(indices[294 + k], second_row[k]);
        EXPECT_EQ(indices[14400 + k], last[k]);
    }
    // No cell starts in column 49 or row 49.
    int vertex_49 = 0, vertex_2499 = 0;
    for (int k = 0; k < 14406; ++k) {
        ASSERT_LT(indices[k], 2500);
        vertex_49 += indices[k] == 49;
        vertex_2499 += indices[k] == 2499;
        if (indices[k] == 49) {
            EXPECT_EQ(k / 6, 48);  // cell (0, 48) only
        }
    }
    EXPECT_EQ(vertex_49, 2);
    EXPECT_EQ(vertex_2499, 1);
}

TEST(IndexList, BothTrianglesWindCounterClockwiseOnTheGrid) {
    std::array<uint16_t, 2401 * 6> indices{};
    fill_surface_indices(indices);
    for (int k = 0; k < 2401 * 6; k += 3 * 97) {
        const int t = k - k % 3;
        float p[3][2];
        for (int c = 0; c < 3; ++c) {
            p[c][0] = grid_coordinate(indices[t + c] % 50);
            p[c][1] = grid_coordinate(indices[t + c] / 50);
        }
        const float cross = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
        EXPECT_GT(cross, 0.0f) << t;
    }
}

TEST(TextureCoordinates, CoverTheGridOnceWithRowZeroAtTheTop) {
    std::array<float, 5000> uv{};
    fill_texture_coordinates(uv);
    EXPECT_EQ(uv[0], 0.0f);
    EXPECT_EQ(uv[1], 0.0f);
    EXPECT_EQ(uv[2 * 49], 1.0f);
    EXPECT_EQ(uv[2 * 49 + 1], 0.0f);
    EXPECT_EQ(uv[2 * 2450], 0.0f);
    EXPECT_EQ(uv[2 * 2450 + 1], 1.0f);
    EXPECT_EQ(uv[2 * 2499], 1.0f);
    EXPECT_EQ(uv[2 * 2499 + 1], 1.0f);
    EXPECT_EQ(uv[2 * (7 * 50 + 13)], static_cast<float>(13 * 0.02040816326530612));
    EXPECT_EQ(uv[2 * (7 * 50 + 13) + 1], static_cast<float>(7 * 0.02040816326530612));
}

// A surface over the grid with height z(row, column).
template <typename Height>
std::vector<float> surface(Height z) {
    std::vector<float> p(7500);
    for (int r = 0; r < 50; ++r)
        for (int c = 0; c < 50; ++c) {
            p[3 * (r * 50 + c)] = grid_coordinate(c);
            p[3 * (r * 50 + c) + 1] = grid_coordinate(r);
            p[3 * (r * 50 + c) + 2] = z(r, c);
        }
    return p;
}

TEST(Normals, AFlatSurfaceFacesTheViewerEverywhere) {
    std::array<float, 7500> normals{};
    compute_normals(surface([](int, int) { return 0.01f; }).data(), normals);
    for (int v = 0; v < 2500; ++v) {
        ASSERT_EQ(normals[3 * v], 0.0f) << v;
        ASSERT_EQ(normals[3 * v + 1], 0.0f) << v;
        ASSERT_EQ(normals[3 * v + 2], 1.0f) << v;
    }
}

TEST(Normals, SlopesTiltTheNormalAgainstTheRise) {
    std::array<float, 7500> normals{};
    const float s = 0.004f;
    const auto along_x = surface([s](int, int c) { return c * s; });
    compute_normals(along_x.data(), normals);
    const int v = 10 * 50 + 20;
    // The exact single-precision cross product of the two forward edges.
    const float* p = &along_x[3 * v];
    const float ex = p[3] - p[0], ez = p[5] - p[2], fy = p[151] - p[1];
    const float nx = -(ez * fy), nz = ex * fy;
    const float length = std::sqrt(nx * nx + nz * nz);
    EXPECT_EQ(normals[3 * v], nx / length);
    EXPECT_EQ(normals[3 * v + 2], nz / length);
    EXPECT_LT(normals[3 * v], 0.0f);
    EXPECT_NEAR(normals[3 * v] / normals[3 * v + 2], -s / 0.008f, 1e-4);
    EXPECT_EQ(normals[3 * (49 * 50 + 49)], normals[3 * (48 * 50 + 48)]);  // the copied corner

    const float t = 0.002f;
    compute_normals(surface([t](int r, int) { return r * t; }).data(), normals);
    EXPECT_EQ(normals[3 * v], 0.0f);
    EXPECT_LT(normals[3 * v + 1], 0.0f);
    EXPECT_NEAR(normals[3 * v + 1] / normals[3 * v + 2], -t / 0.008f, 1e-4);
}

TEST(Normals, AFoldedCellFacesTheViewerInsteadOfBecomingNaN) {
    auto p = surface([](int, int) { return 0.01f; });
    const int v = 20 * 50 + 20;
    // Next column and next row on top of the vertex: both edges vanish.
    for (int axis = 0; axis < 3; ++axis) p[3 * (v + 1) + axis] = p[3 * (v + 50) + axis] = p[3 * v + axis];
    std::array<float, 7500> normals{};
    compute_normals(p.data(), normals);
    EXPECT_EQ(normals[3 * v], 0.0f);
    EXPECT_EQ(normals[3 * v + 1], 0.0f);
    EXPECT_EQ(normals[3 * v + 2], 1.0f);
    for (float n : normals) ASSERT_FALSE(std::isnan(n));
}

}  // namespace
}  // namespace lumo::testing
