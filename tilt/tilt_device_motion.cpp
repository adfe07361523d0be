// The host's own motion sensor (the browser's device motion) as a tilt source.

#include "tilt/tilt_device_motion.h"

#include <algorithm>
#include <cmath>

#include "platform/host.h"

namespace lumo {

namespace {

constexpr double kStandardGravity = 9.80665;  // m/s² in one g
constexpr double kMaxG = 4.0;

class DeviceMotionTilt : public TiltSource {
public:
    const char* name() const override { return "motion sensor"; }

    bool poll(Acceleration* out) override {
        HostMotion reading;
        if (!host_latest_motion(&reading)) return false;
        *out = tilt_from_device_motion(reading.x, reading.y, reading.z, reading.screen_angle_degrees);
        return true;
    }

    SensorAccess access() const override {
        switch (host_motion_permission()) {
            case MotionPermission::checking: return SensorAccess::checking;
            case MotionPermission::needed: return SensorAccess::needs_permission;
            case MotionPermission::asked: return SensorAccess::asking;
            case MotionPermission::refused: return SensorAccess::refused;
            default: return SensorAccess::open;
        }
    }

    void set_permission_control(float x, float y, float width, float height, bool shown) override {
        host_place_motion_permission_control(x, y, width, height, shown);
    }
};

}  // namespace

Acceleration tilt_from_device_motion(double x, double y, double z, double screen_angle_degrees) {
    // The sensor reports the push that holds the device up, opposite to gravity.
    const double gx = -x / kStandardGravity, gy = -y / kStandardGravity, gz = -z / kStandardGravity;
    // A device turned counter-clockwise by the angle shows the screen turned
    // back: its right is the device's -y at 90 degrees, its top the device's +x.
    const double a = screen_angle_degrees * (M_PI / 180.0);
    const double c = std::round(std::cos(a) * 1e9) / 1e9, s = std::round(std::sin(a) * 1e9) / 1e9;
    Acceleration out;
    out.x = std::clamp(gx * c - gy * s, -kMaxG, kMaxG);
    out.y = std::clamp(gx * s + gy * c, -kMaxG, kMaxG);
    out.z = std::clamp(gz, -kMaxG, kMaxG);
    if (!std::isfinite(out.x) || !std::isfinite(out.y) || !std::isfinite(out.z)) return Acceleration{0.0, 0.0, -1.0};
    return out;
}

std::unique_ptr<TiltSource> open_device_motion(std::string* problem) {
    if (!host_has_motion_events()) {
        *problem = "this machine sends no motion events";
        return nullptr;
    }
    return std::make_unique<DeviceMotionTilt>();
}

}  // namespace lumo
