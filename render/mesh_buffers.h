#pragma once
// The arrays laid over the surface grid for drawing: the triangle index
// list, the texture coordinates and the per-vertex normals.

#include <cstdint>
#include <span>

#include "sim/surface_grid.h"

namespace lumo {

inline constexpr int kSurfaceIndexCount = kCellCount * 6;  // two triangles per grid cell
inline constexpr int kTextureCoordinateCount = 2 * kVertexCount;

// Two triangles per grid cell, cells in row-major order, so the first 6k
// entries draw exactly the first k cells.
void fill_surface_indices(std::span<uint16_t, kSurfaceIndexCount> indices);
// u along the columns, v along the rows, 0 to 1: row 0 takes the picture's top row.
void fill_texture_coordinates(std::span<float, kTextureCoordinateCount> coordinates);
// Unit normal of each vertex from its cell's two forward edges; the last row
// and column copy their neighbours. A degenerate cell gets (0, 0, 1).
void compute_normals(const float* positions, std::span<float, kSurfaceFloatCount> normals);

}  // namespace lumo
