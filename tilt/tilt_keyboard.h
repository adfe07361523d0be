#pragma once
// A tilt made by hand, for machines without a motion sensor. The device
// starts lying face up; each step turns it by 5 degrees, never beyond 90
// degrees either way on either axis.

#include "tilt/tilt_source.h"

namespace lumo {

enum class KeyTilt {
    left,  // left side down: x goes negative
    right,  // right side down: x goes positive
    forward,  // top of the screen down: y goes positive
    back,  // top of the screen up: y goes negative
};

class KeyboardTilt final : public TiltSource {
public:
    static constexpr int kStepDegrees = 5;
    static constexpr int kLimitDegrees = 90;

    const char* name() const override { return "arrow keys"; }
    bool poll(Acceleration* out) override;  // always succeeds

    void tilt(KeyTilt direction);
    void level();  // back to lying face up

    // Roll turns the device about its own y axis; pitch then lowers the top
    // edge, so that gravity is (sin r cos p, sin p, -cos r cos p): unit
    // length whatever the angles.
    Acceleration acceleration() const;
    int roll_degrees() const { return roll_degrees_; }
    int pitch_degrees() const { return pitch_degrees_; }

private:
    int roll_degrees_ = 0;  // positive: right side down
    int pitch_degrees_ = 0;  // positive: top edge down
};

}  // namespace lumo
