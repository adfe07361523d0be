#pragma once
// The 50 x 50 vertex grid that every surface array is laid over.

#include <cstdint>

namespace lumo {

inline constexpr int kGridSize = 50;
inline constexpr int kVertexCount = kGridSize * kGridSize;  // vertex = row * 50 + column
inline constexpr int kSurfaceFloatCount = 3 * kVertexCount;  // x, y, z per vertex
inline constexpr int kCellCount = (kGridSize - 1) * (kGridSize - 1);  // quads between the vertices
inline constexpr int kForceCount = 5;  // body record + four touch handles
inline constexpr int kTouchHandleCount = 4;

// Seconds between frames while the application is active: the frame timer's
// interval and the simulation's step.
inline constexpr double kFrameInterval = 0.05;

// Heights of a normalised rest shape: the rim sits at the bottom, the top at 0.11.
inline constexpr float kRestHeightMin = 0.01f;
inline constexpr float kRestHeightMax = 0.11f;

// Grid coordinate of row or column k: (k * 0.4) / 50 - 0.2 in single precision,
// in that order. Runs from -0.2 to 0.192, so the grid is not centred on 0.
inline float grid_coordinate(int k) { return (static_cast<float>(k) * 0.4f) / 50.0f - 0.2f; }

inline constexpr int vertex_index(int row, int column) { return row * kGridSize + column; }

// A point in surface coordinates.
struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

}  // namespace lumo
