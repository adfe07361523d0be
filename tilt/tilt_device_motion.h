#pragma once
// The browser's motion sensor: `devicemotion` events, acceleration including
// gravity, turned into the tilt convention (tilt_source.h) for the screen's
// current orientation, as the host (the browser) hands them over.

#include <memory>
#include <string>

#include "tilt/tilt_source.h"

namespace lumo {

// Acceleration including gravity in m/s² along the device's natural axes,
// as `devicemotion` gives it (lying face up: 0, 0, +9.81), and the screen's
// orientation angle in degrees (counter-clockwise turns of the device from
// its natural orientation), to the direction of gravity in g along the
// screen's axes as they face the user (lying face up: 0, 0, -1). Readings
// are clamped to a few g: a sensor that reports nonsense cannot fling the body.
Acceleration tilt_from_device_motion(double x, double y, double z, double screen_angle_degrees);

// Null (with *problem set) where the host has no motion events at all.
std::unique_ptr<TiltSource> open_device_motion(std::string* problem);

}  // namespace lumo
