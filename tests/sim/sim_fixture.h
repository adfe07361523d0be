#pragma once
// A transform set up with the default dome, shared helpers for the sim tests.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "sim/lumo_transform.h"

namespace lumo::testing {

inline std::unique_ptr<LUMOTransform> make_dome(bool build_tables = false) {
    auto trans = std::make_unique<LUMOTransform>();
    trans->set_init_position_and_mass_at_startup(true);
    if (build_tables) trans->init_distance();
    return trans;
}

inline uint32_t bits_of(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float rest_height(const LUMOTransform& trans, int row, int column) {
    return trans.rest_shape()[3 * vertex_index(row, column) + 2];
}

inline float displacement(const InputForce& force, int axis) { return force.cur_pos[axis] - force.init_pos[axis]; }

}  // namespace lumo::testing
