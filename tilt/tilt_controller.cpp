#include "tilt/tilt_controller.h"

namespace lumo {

Acceleration controller_to_device(float x, float y, float z) {
    // The reaction to gravity along the device's axes is (x, -z, y): the far
    // edge (-z) is the top of the screen, the face (+y) points out of it.
    // Negated and in g it is the direction of gravity.
    const double g = SDL_STANDARD_GRAVITY;
    return {-static_cast<double>(x) / g, static_cast<double>(z) / g, -static_cast<double>(y) / g};
}

std::unique_ptr<ControllerTilt> ControllerTilt::open(int device_index) {
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) return nullptr;
    if (device_index < 0 || device_index >= SDL_NumJoysticks()) return nullptr;
    if (!SDL_IsGameController(device_index)) return nullptr;
    SDL_GameController* controller = SDL_GameControllerOpen(device_index);
    if (controller == nullptr) return nullptr;
    const bool was_on = SDL_GameControllerIsSensorEnabled(controller, SDL_SENSOR_ACCEL);
    if (!SDL_GameControllerHasSensor(controller, SDL_SENSOR_ACCEL) ||
        SDL_GameControllerSetSensorEnabled(controller, SDL_SENSOR_ACCEL, SDL_TRUE) != 0) {
        SDL_GameControllerClose(controller);
        return nullptr;
    }
    SDL_Joystick* joystick = SDL_GameControllerGetJoystick(controller);
    return std::unique_ptr<ControllerTilt>(new ControllerTilt(controller, SDL_JoystickInstanceID(joystick), !was_on));
}

ControllerTilt::ControllerTilt(SDL_GameController* controller, SDL_JoystickID instance_id, bool switched_sensor_on)
    : controller_(controller), instance_id_(instance_id), switched_sensor_on_(switched_sensor_on) {
    const char* controller_name = SDL_GameControllerName(controller);
    name_ = std::string("game controller: ") + (controller_name != nullptr ? controller_name : "unnamed");
}

ControllerTilt::~ControllerTilt() {
    // Someone else may hold the same controller open: leave its sensor as
    // we found it.
    if (switched_sensor_on_) SDL_GameControllerSetSensorEnabled(controller_, SDL_SENSOR_ACCEL, SDL_FALSE);
    SDL_GameControllerClose(controller_);
}

bool ControllerTilt::poll(Acceleration* out) {
    float data[3] = {};
    if (SDL_GameControllerGetSensorData(controller_, SDL_SENSOR_ACCEL, data, 3) != 0) return false;
    if (data[0] == 0.0f && data[1] == 0.0f && data[2] == 0.0f) return false;
    *out = controller_to_device(data[0], data[1], data[2]);
    return true;
}

}  // namespace lumo
