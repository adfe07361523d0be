#pragma once
// One force record: a damped point mass on a spring to its anchor, whose
// displacement is spread over the surface through a per-vertex weight array.

#include <cstdint>

namespace lumo {

struct InputForce {
    float radius = 0.0f;  // unused, always 0
    float spring_const = 0.0f;  // stiffness per unit mass
    float velocity_ratio = 0.0f;  // damping factor applied to the velocity every step
    float mass = 0.0f;
    int32_t init_index = 0;  // anchor vertex of a touch handle
    float init_pos[3] = {};  // anchor: where the spring pulls toward
    float cur_pos[3] = {};  // current point; cur_pos - init_pos is the displacement
    float velocity[3] = {};
    float force[3] = {};
    float* distance = nullptr;  // 2500 weights inside the owning transform; never owns memory
    int32_t apply_pos_to_force = 0;  // nonzero: the spring acts; zero: held by a finger
};

}  // namespace lumo
