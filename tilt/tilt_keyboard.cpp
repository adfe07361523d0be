#include "tilt/tilt_keyboard.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumo {

namespace {

struct CosSin {
    double cos;
    double sin;
};

// Exact at 0 and +-90 degrees, so that a device on its edge reads exactly
// (1, 0, 0) rather than carrying a 6e-17 residue.
CosSin cos_sin_degrees(int degrees) {
    if (degrees == 0) return {1.0, 0.0};
    if (degrees == 90) return {0.0, 1.0};
    if (degrees == -90) return {0.0, -1.0};
    const double radians = degrees * (std::numbers::pi / 180.0);
    return {std::cos(radians), std::sin(radians)};
}

int stepped(int degrees, int sign) {
    return std::clamp(degrees + sign * KeyboardTilt::kStepDegrees, -KeyboardTilt::kLimitDegrees,
                      KeyboardTilt::kLimitDegrees);
}

}  // namespace

void KeyboardTilt::tilt(KeyTilt direction) {
    switch (direction) {
        case KeyTilt::left: roll_degrees_ = stepped(roll_degrees_, -1); break;
        case KeyTilt::right: roll_degrees_ = stepped(roll_degrees_, +1); break;
        case KeyTilt::forward: pitch_degrees_ = stepped(pitch_degrees_, +1); break;
        case KeyTilt::back: pitch_degrees_ = stepped(pitch_degrees_, -1); break;
    }
}

void KeyboardTilt::level() {
    roll_degrees_ = 0;
    pitch_degrees_ = 0;
}

Acceleration KeyboardTilt::acceleration() const {
    const CosSin roll = cos_sin_degrees(roll_degrees_);
    const CosSin pitch = cos_sin_degrees(pitch_degrees_);
    return {roll.sin * pitch.cos, pitch.sin, -roll.cos * pitch.cos};
}

bool KeyboardTilt::poll(Acceleration* out) {
    *out = acceleration();
    return true;
}

}  // namespace lumo
