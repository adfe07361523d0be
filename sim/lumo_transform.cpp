// Creation, the default dome, set-up of the rest shape and of the force
// records, normalisation, and the exchange of the rest shape with files.

#include "lumo_transform.h"

#include <cmath>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "rest_shape.h"

namespace lumo {

namespace {

constexpr float kBodyDensity = 800.0f;
constexpr float kCellArea = 0.008f * 0.008f;  // one grid cell, 0.000064

constexpr float kBodySpringConst = 98.0f;
constexpr float kBodyVelocityRatio = 0.9f;
constexpr float kHandleSpringConst = 147.0f;
constexpr float kHandleVelocityRatio = 0.8f;
constexpr float kHandleMass = 0.1f;

bool is_rim(int row, int column) { return row == 0 || row == kGridSize - 1 || column == 0 || column == kGridSize - 1; }

}  // namespace

void* LUMOTransform::operator new(std::size_t size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) throw std::bad_alloc();
#ifdef __linux__
    madvise(p, rounded, MADV_HUGEPAGE);  // a hint: without it the object works the same
#endif
    return p;
}

void* LUMOTransform::operator new(std::size_t size, std::align_val_t) { return operator new(size); }

void LUMOTransform::operator delete(void* p) { std::free(p); }

void LUMOTransform::operator delete(void* p, std::align_val_t) { std::free(p); }

LUMOTransform::LUMOTransform(int build_workers) : builder_(build_workers) {
    // Until the first set-up the records are zero; their weights point at the
    // (zero) gravity weights so that no pointer is ever empty.
    for (InputForce& force : _input_forces) force.distance = _distance_for_gravity.data();
}

LUMOTransform::~LUMOTransform() { builder_.cancel(); }

float LUMOTransform::surfaceHeightAtX(float x, float y) { return default_dome_height(x, y); }

void LUMOTransform::set_init_position_and_mass_at_startup(bool from_default_dome) {
    // The build reads the rest shape and writes the table: never under a build.
    stop_table_build();

    for (int row = 0; row < kGridSize; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            const float x = grid_coordinate(column);
            const float y = grid_coordinate(row);
            // The sampler reads only the current surface, which is not written here.
            const float z = from_default_dome ? surfaceHeightAtX(x, y) : current_surface_z_at({x, y});
            float* vertex = &_init_surface_pos[3 * vertex_index(row, column)];
            vertex[0] = x;
            vertex[1] = y;
            vertex[2] = z;
        }
    }
    normalizeToZDirection();
    finish_set_up();
}

// A rest shape as set-ups make it: every x and y on the grid, every height
// within the normalised range and the rim at its floor.
bool is_rest_shape(std::span<const float> positions) {
    if (positions.size() != static_cast<std::size_t>(kSurfaceFloatCount)) return false;
    for (int row = 0; row < kGridSize; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            const float* vertex = &positions[3 * vertex_index(row, column)];
            if (vertex[0] != grid_coordinate(column) || vertex[1] != grid_coordinate(row)) return false;
            // A normalised top may round a unit or two above kRestHeightMax.
            if (!(vertex[2] >= kRestHeightMin && vertex[2] <= kRestHeightMax + 1e-7f)) return false;
            if (is_rim(row, column) && vertex[2] != kRestHeightMin) return false;
        }
    }
    return true;
}

bool LUMOTransform::set_rest_shape_exactly(std::span<const float> positions) {
    if (!is_rest_shape(positions)) return false;
    stop_table_build();
    std::copy(positions.begin(), positions.end(), _init_surface_pos.begin());
    finish_set_up();
    return true;
}

void LUMOTransform::finish_set_up() {
    // Volume and centre of mass: each vertex stands for a column of height z
    // over one grid cell, whose centre lies at z / 2.
    _total_volume = 0.0f;
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int k = 0; k < kGridSize; ++k) {
        for (int j = 0; j < kGridSize; ++j) {
            const float z = _init_surface_pos[3 * vertex_index(k, j) + 2];
            const float v = z * kCellArea;
            _total_volume += v;
            const float m = v * kBodyDensity;
            sx += m * grid_coordinate(j);
            sy += m * grid_coordinate(k);
            sz += (z * 0.5f) * m;
        }
    }
    const float mass = kBodyDensity * _total_volume;
    reset_force_records(sx / mass, sy / mass, sz / mass);

    copy_init_surface_pos_to_cur();
    copy_init_surface_pos_to_target();
}

// Every record becomes an idle touch handle; the body record then gets its
// spring and an anchor halfway between the centroid and the top height, so
// each set-up starts with the body displaced downward: the surface sags once
// and springs back.
void LUMOTransform::reset_force_records(float cx, float cy, float cz) {
    for (InputForce& force : _input_forces) {
        force.spring_const = kHandleSpringConst;
        force.velocity_ratio = kHandleVelocityRatio;
        force.mass = kHandleMass;
        for (int axis = 0; axis < 3; ++axis) {
            force.init_pos[axis] = 0.0f;
            force.cur_pos[axis] = 0.0f;
            force.velocity[axis] = 0.0f;
            force.force[axis] = 0.0f;
        }
        force.distance = _distance_for_gravity.data();
        force.apply_pos_to_force = 0;
    }
    InputForce& body = _input_forces[0];
    body.spring_const = kBodySpringConst;
    body.velocity_ratio = kBodyVelocityRatio;
    body.apply_pos_to_force = 1;
    body.mass = kBodyDensity * _total_volume;
    body.init_pos[0] = cx;
    body.init_pos[1] = cy;
    body.init_pos[2] = (cz + kRestHeightMax) * 0.5f;
    body.cur_pos[0] = cx;
    body.cur_pos[1] = cy;
    body.cur_pos[2] = cz;
}

void LUMOTransform::normalizeToZDirection() { normalize_rest_heights(_init_surface_pos); }

void LUMOTransform::copy_init_surface_pos_to_cur() { _cur_surface_pos = _init_surface_pos; }

void LUMOTransform::copy_init_surface_pos_to_target() { _target_surface_pos = _init_surface_pos; }

std::vector<float> LUMOTransform::getInitSurfacePosition() const {
    return std::vector<float>(_init_surface_pos.begin(), _init_surface_pos.end());
}

bool LUMOTransform::setInitSurfacePositionBy(std::span<const float> values) {
    if (values.size() != _cur_surface_pos.size()) return false;
    for (float value : values) {
        if (!std::isfinite(value)) return false;  // one NaN would poison the next fix
    }
    std::copy(values.begin(), values.end(), _cur_surface_pos.begin());
    return true;
}

}  // namespace lumo
