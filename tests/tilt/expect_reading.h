#pragma once
// A tilt reading compared axis by axis, in g.

#include <gtest/gtest.h>

#include "tilt/tilt_source.h"

namespace lumo::testing {

inline void expect_reading(const Acceleration& a, double x, double y, double z, double tolerance = 1e-7) {
    EXPECT_NEAR(a.x, x, tolerance);
    EXPECT_NEAR(a.y, y, tolerance);
    EXPECT_NEAR(a.z, z, tolerance);
}

}  // namespace lumo::testing
