// One step of the surface: integrate the five force records, spread their
// displacements over the surface, and let the current surface close part of
// its gap to the resulting target. Single precision, in a fixed order.

#include "lumo_transform.h"

namespace lumo {

namespace {

constexpr float kStandardGravity = 9.8f;
constexpr float kSmoothing = 0.4f;  // share of the gap to the target closed per step
constexpr float kHeightSpan = 0.1f;

}  // namespace

void LUMOTransform::transform() {
    copy_init_surface_pos_to_target();

    // The body force is whatever the caller set before this step; the spring adds to it.
    InputForce* body = &_input_forces[0];
    apply_pos_to_force_of_force(body);
    apply_force_to_velocity_of_force(body);
    apply_velocity_to_pos_of_force(body);

    for (int n = 1; n < kForceCount; ++n) {
        InputForce* handle = &_input_forces[n];
        clear_force_of_force(handle);
        apply_pos_to_force_of_force(handle);
        apply_force_to_velocity_of_force(handle);
        apply_velocity_to_pos_of_force(handle);
    }

    apply_to_surface_of_input_forces();
    apply_target_surface_to_cur();
}

void LUMOTransform::apply_pos_to_force_of_force(InputForce* force) {
    if (force->apply_pos_to_force == 0) return;
    const float s = force->mass * force->spring_const;
    for (int axis = 0; axis < 3; ++axis) {
        force->force[axis] = force->force[axis] - s * (force->cur_pos[axis] - force->init_pos[axis]);
    }
}

void LUMOTransform::apply_force_to_velocity_of_force(InputForce* force) {
    const float dt = _time_interval;
    for (int axis = 0; axis < 3; ++axis) {
        force->velocity[axis] =
            ((force->force[axis] / force->mass) * dt + force->velocity[axis]) * force->velocity_ratio;
    }
}

void LUMOTransform::apply_velocity_to_pos_of_force(InputForce* force) {
    const float dt = _time_interval;
    for (int axis = 0; axis < 3; ++axis) force->cur_pos[axis] = force->cur_pos[axis] + force->velocity[axis] * dt;
}

void LUMOTransform::clear_force_of_force(InputForce* force) {
    for (float& component : force->force) component = 0.0f;
}

// Each vertex follows the records through their weight arrays, scaled by its
// height factor: 0 on the rim (rest height 0.01), 1 at the top (0.11).
void LUMOTransform::apply_to_surface_of_input_forces() {
    float dx[kForceCount], dy[kForceCount], dz[kForceCount];
    const float* weights[kForceCount];
    for (int r = 0; r < kForceCount; ++r) {
        const InputForce& force = _input_forces[r];
        dx[r] = force.cur_pos[0] - force.init_pos[0];
        dy[r] = force.cur_pos[1] - force.init_pos[1];
        dz[r] = force.cur_pos[2] - force.init_pos[2];
        weights[r] = force.distance;
    }
    for (int v = 0; v < kVertexCount; ++v) {
        float sx = 0.0f, sy = 0.0f, sz = 0.0f;
        for (int r = 0; r < kForceCount; ++r) {
            const float w = weights[r][v];
            sx = sx + w * dx[r];
            sy = sy + w * dy[r];
            sz = sz + w * dz[r];
        }
        const float h = _init_surface_pos[3 * v + 2];
        if (h < kRestHeightMin) continue;
        const float f = (h - kRestHeightMin) / kHeightSpan;
        float* target = &_target_surface_pos[3 * v];
        target[0] += sx * f;
        target[1] += sy * f;
        target[2] += sz * f;
    }
}

void LUMOTransform::apply_target_surface_to_cur() {
    for (int k = 0; k < kSurfaceFloatCount; ++k) {
        _cur_surface_pos[k] = _cur_surface_pos[k] + (_target_surface_pos[k] - _cur_surface_pos[k]) * kSmoothing;
    }
}

void LUMOTransform::setAccelDirectionAt(int index, float x, float y, float z) {
    InputForce& force = _input_forces[index];
    const float g = kStandardGravity * force.mass;
    force.force[0] = x * g;
    force.force[1] = y * g;
    force.force[2] = z * g;
}

void LUMOTransform::setAccelAt(int index, float x, float y, float z) {
    InputForce& force = _input_forces[index];
    force.force[0] = force.mass * x;
    force.force[1] = force.mass * y;
    force.force[2] = force.mass * z;
}

}  // namespace lumo
