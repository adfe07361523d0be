#pragma once
// The influence table filled the plain way: rows in order, one thread, the
// scalar kernel with the C library's exp, each pair stored twice. The yardstick
// for the real build's speed and bits.

#include <span>

namespace lumo::testing {

// rest_shape: 7500 floats; table: 2500 x 2500 floats.
void build_reference_table(std::span<const float> rest_shape, std::span<float> table);

}  // namespace lumo::testing
