#pragma once
// A game controller's accelerometer, through SDL's game-controller sensor
// API, for machines without one of their own. The controller stands in for
// the device as if its face were the screen lying flat: its right is the
// device's x, its far edge the top of the screen, its face the screen.

#include <SDL.h>

#include <memory>
#include <string>

#include "tilt/tilt_source.h"

namespace lumo {

// SDL's controller axes (m/s^2 away from the centre of the earth at rest;
// x left to right, y bottom to top, z farther to closer) to the direction of
// gravity in g along the device's axes. A controller lying flat on a table
// reads (0, 0, -1).
Acceleration controller_to_device(float x, float y, float z);

class ControllerTilt final : public TiltSource {
public:
    // The controller at SDL joystick device index, if it is a game
    // controller with an accelerometer that can be switched on; nullptr
    // otherwise. Needs SDL_INIT_GAMECONTROLLER.
    static std::unique_ptr<ControllerTilt> open(int device_index);
    ~ControllerTilt() override;
    ControllerTilt(const ControllerTilt&) = delete;
    ControllerTilt& operator=(const ControllerTilt&) = delete;

    const char* name() const override { return name_.c_str(); }
    // false until SDL has delivered a first sample (all zeros before).
    bool poll(Acceleration* out) override;
    SDL_JoystickID instance_id() const { return instance_id_; }

private:
    ControllerTilt(SDL_GameController* controller, SDL_JoystickID instance_id, bool switched_sensor_on);

    SDL_GameController* controller_;
    SDL_JoystickID instance_id_;
    bool switched_sensor_on_;  // we turned the accelerometer on, so we turn it off
    std::string name_;
};

}  // namespace lumo
