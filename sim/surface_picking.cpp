// Vertex lookups on the current (deformed) surface, the height sampler, and
// the touch handles that fingers press, drag and release.

#include <algorithm>
#include <cmath>
#include <limits>

#include "lumo_transform.h"

namespace lumo {

namespace {

constexpr int kCentre = kGridSize / 2;
constexpr int kFirstDescentStep = 13;
constexpr float kNearestSearchLimit = 0.32f;  // squared x-y distance, exclusive
constexpr float kLowestQualifyingHeight = -0.11f;
constexpr float kSamplingRadius = 0.008f;  // one grid spacing, L-infinity
constexpr float kPressDepthShare = 0.5f;
constexpr float kTrailingDistance = 0.05714286f;
constexpr float kTrailingDistanceSquared = 0.0032653061f;

int clamp_to_grid(int k) { return std::clamp(k, 0, kGridSize - 1); }

}  // namespace

// A binary-search-like walk from the centre with steps 13, 7, 4, 2 (the
// moves of the fifth pass never reach the result). It is not the nearest
// vertex, only a close one, and costs five vertex reads. A point at or beyond
// an outer row or column would walk off the grid; the result is kept on it.
int LUMOTransform::cur_closest_index_at(Point p) const {
    int row = kCentre, column = kCentre, step = kFirstDescentStep;
    for (;;) {
        const int candidate = vertex_index(row, column);
        const float* v = &_cur_surface_pos[3 * candidate];
        column += p.x > v[0] ? step : -step;
        row += p.y > v[1] ? step : -step;
        row = clamp_to_grid(row);
        column = clamp_to_grid(column);
        step /= 2;
        if (step > 2) step += 1;
        if (step == 0) return candidate;
    }
}

int LUMOTransform::cur_fine_closest_index_at(Point p) const {
    float best = kNearestSearchLimit;
    int result = -1;
    for (int i = 0; i < kVertexCount; ++i) {
        const float dx = _cur_surface_pos[3 * i] - p.x;
        const float dy = _cur_surface_pos[3 * i + 1] - p.y;
        const float d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result < 0 ? cur_closest_index_at(p) : result;
}

int LUMOTransform::cur_highest_close_index_at(Point p, float radius) const {
    int result = -1;
    float best_height = kLowestQualifyingHeight;
    for (int i = 0; i < kVertexCount; ++i) {
        const float* v = &_cur_surface_pos[3 * i];
        const float m = std::max(std::fabs(v[0] - p.x), std::fabs(v[1] - p.y));
        if (m <= radius && v[2] > best_height) {
            result = i;
            best_height = v[2];
        }
    }
    return result < 0 ? cur_fine_closest_index_at(p) : result;
}

// The plane through the picked vertex and two of its three neighbours towards
// p, leaving out the one farthest from p. Where the grid border clamps a
// neighbour onto the vertex itself the triangle collapses and the vertex's
// own height is the answer.
float LUMOTransform::current_surface_z_at(Point p) const {
    const int i = cur_highest_close_index_at(p, kSamplingRadius);
    const int column = i % kGridSize;
    const int row = i / kGridSize;
    const float* p0 = &_cur_surface_pos[3 * i];
    const int next_column = p.x < p0[0] ? std::max(column - 1, 0) : std::min(column + 1, kGridSize - 1);
    const int next_row = p.y < p0[1] ? std::max(row - 1, 0) : std::min(row + 1, kGridSize - 1);

    const float* corners[4] = {
        p0,
        &_cur_surface_pos[3 * vertex_index(row, next_column)],
        &_cur_surface_pos[3 * vertex_index(next_row, column)],
        &_cur_surface_pos[3 * vertex_index(next_row, next_column)],
    };
    int farthest = 0;
    float farthest_distance = -1.0f;
    for (int k = 0; k < 4; ++k) {
        const float dx = corners[k][0] - p.x;
        const float dy = corners[k][1] - p.y;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d > farthest_distance) {
            farthest = k;
            farthest_distance = d;
        }
    }
    const float* a = p0;
    const float* b = farthest == 1 ? corners[2] : corners[1];
    const float* c = farthest == 1 || farthest == 2 ? corners[3] : corners[2];

    const float e1x = b[0] - a[0], e1y = b[1] - a[1];
    const float e2x = c[0] - a[0], e2y = c[1] - a[1];
    const float det = e1x * e2y - e2x * e1y;
    if (det == 0.0f) return a[2];
    const float dx = p.x - a[0];
    const float dy = p.y - a[1];
    const float s = (e2y * dx - e2x * dy) / det;
    const float t = (e1x * dy - e1y * dx) / det;
    const float z = a[2] + (b[2] - a[2]) * s + (c[2] - a[2]) * t;
    if (std::isfinite(z)) return z;
    // Finite corners far apart (a loaded shape with heights near the float
    // limit) overflow the float arithmetic: the same plane in double, clamped
    // into the float range, so a finite surface always samples finite.
    const auto d = [](const float* q, int axis) { return static_cast<double>(q[axis]); };
    const double wx1 = d(b, 0) - d(a, 0), wy1 = d(b, 1) - d(a, 1);
    const double wx2 = d(c, 0) - d(a, 0), wy2 = d(c, 1) - d(a, 1);
    const double wdx = static_cast<double>(p.x) - d(a, 0), wdy = static_cast<double>(p.y) - d(a, 1);
    const double wide_det = wx1 * wy2 - wx2 * wy1;
    const double ws = (wy2 * wdx - wx2 * wdy) / wide_det;
    const double wt = (wx1 * wdy - wy1 * wdx) / wide_det;
    const double wide_z = d(a, 2) + (d(b, 2) - d(a, 2)) * ws + (d(c, 2) - d(a, 2)) * wt;
    constexpr double kLargest = std::numeric_limits<float>::max();
    return std::isnan(wide_z) ? a[2] : static_cast<float>(std::clamp(wide_z, -kLargest, kLargest));
}

// The handle sinks to half the rest height under the finger and holds there
// (no spring) until released.
void LUMOTransform::push_surface_at(Point p, int n) {
    const int i = cur_closest_index_at(p);
    const float rest_height = _init_surface_pos[3 * i + 2];
    InputForce& handle = _input_forces[n];
    handle.init_pos[0] = p.x;
    handle.init_pos[1] = p.y;
    handle.init_pos[2] = rest_height;
    handle.cur_pos[0] = p.x;
    handle.cur_pos[1] = p.y;
    handle.cur_pos[2] = kPressDepthShare * rest_height;
    handle.init_index = i;
    handle.distance = influence_row_of(i);
    handle.apply_pos_to_force = 0;
}

// Close to the anchor the finger only pulls the surface sideways; farther
// away the anchor trails the finger at a fixed distance and is re-picked.
void LUMOTransform::move_surface_at(Point p, int n) {
    InputForce& handle = _input_forces[n];
    handle.cur_pos[0] = p.x;
    handle.cur_pos[1] = p.y;
    const float dx = handle.init_pos[0] - p.x;
    const float dy = handle.init_pos[1] - p.y;
    const float d2 = dx * dx + dy * dy;
    if (d2 < kTrailingDistanceSquared) return;

    const float d = std::sqrt(d2);
    handle.init_pos[0] = p.x + (dx * kTrailingDistance) / d;
    handle.init_pos[1] = p.y + (dy * kTrailingDistance) / d;
    const int i = cur_closest_index_at({handle.init_pos[0], handle.init_pos[1]});
    const float height = _cur_surface_pos[3 * i + 2];
    handle.init_pos[2] = height;
    handle.cur_pos[2] = kPressDepthShare * height;
    handle.init_index = i;
    handle.distance = influence_row_of(i);
}

void LUMOTransform::release_surface_at(Point /*p*/, int n) { _input_forces[n].apply_pos_to_force = 1; }

}  // namespace lumo
