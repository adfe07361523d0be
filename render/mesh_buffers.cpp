#include "render/mesh_buffers.h"

#include <cmath>

#include "sim/surface_grid.h"

namespace lumo {

void fill_surface_indices(std::span<uint16_t, kSurfaceIndexCount> indices) {
    int k = 0;
    for (int r = 0; r < kGridSize - 1; ++r) {
        for (int c = 0; c < kGridSize - 1; ++c) {
            const auto b = static_cast<uint16_t>(vertex_index(r, c));
            // Both triangles wind counter-clockwise with x right and y up.
            const uint16_t cell[6] = {b,
                                      static_cast<uint16_t>(b + 1),
                                      static_cast<uint16_t>(b + kGridSize),
                                      static_cast<uint16_t>(b + kGridSize),
                                      static_cast<uint16_t>(b + 1),
                                      static_cast<uint16_t>(b + kGridSize + 1)};
            for (uint16_t index : cell) indices[k++] = index;
        }
    }
}

void fill_texture_coordinates(std::span<float, kTextureCoordinateCount> coordinates) {
    constexpr double kStep = 1.0 / (kGridSize - 1);
    for (int i = 0; i < kGridSize; ++i) {
        for (int j = 0; j < kGridSize; ++j) {
            coordinates[2 * vertex_index(i, j)] = static_cast<float>(j * kStep);
            coordinates[2 * vertex_index(i, j) + 1] = static_cast<float>(i * kStep);
        }
    }
}

namespace {

void copy_normal(std::span<float, kSurfaceFloatCount> normals, int to, int from) {
    for (int axis = 0; axis < 3; ++axis) normals[3 * to + axis] = normals[3 * from + axis];
}

}  // namespace

void compute_normals(const float* positions, std::span<float, kSurfaceFloatCount> normals) {
    for (int r = 0; r < kGridSize - 1; ++r) {
        for (int c = 0; c < kGridSize - 1; ++c) {
            const float* p = positions + 3 * vertex_index(r, c);
            const float* next_column = positions + 3 * vertex_index(r, c + 1);
            const float* next_row = positions + 3 * vertex_index(r + 1, c);
            const float ex = next_column[0] - p[0], ey = next_column[1] - p[1], ez = next_column[2] - p[2];
            const float fx = next_row[0] - p[0], fy = next_row[1] - p[1], fz = next_row[2] - p[2];
            const float nx = ey * fz - ez * fy;
            const float ny = ez * fx - ex * fz;
            const float nz = ex * fy - ey * fx;
            const float length = std::sqrt((nx * nx + ny * ny) + nz * nz);
            float* n = normals.data() + 3 * vertex_index(r, c);
            if (length > 0.0f) {
                n[0] = nx / length;
                n[1] = ny / length;
                n[2] = nz / length;
            } else {
                // Edges folded onto each other: face the viewer rather than become NaN.
                n[0] = 0.0f;
                n[1] = 0.0f;
                n[2] = 1.0f;
            }
        }
    }
    for (int c = 0; c < kGridSize - 1; ++c)
        copy_normal(normals, vertex_index(kGridSize - 1, c), vertex_index(kGridSize - 2, c));
    copy_normal(normals, vertex_index(0, kGridSize - 1), vertex_index(0, kGridSize - 2));
    for (int r = 1; r < kGridSize; ++r)
        copy_normal(normals, vertex_index(r, kGridSize - 1), vertex_index(r, kGridSize - 2));
}

}  // namespace lumo
