// The browser's device motion as a tilt source.

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>

#include "tilt/tilt_device_motion.h"

EM_JS(double, lumo_screen_angle, (), {
    const o = screen.orientation;
    if (o && typeof o.angle === 'number') return o.angle;
    return typeof window.orientation === 'number' ? window.orientation : 0;
});

// Safari asks the user before it sends motion events, and only from inside
// a tap's own handler: the page answers taps on the control (lumo.js).
EM_JS(int, lumo_motion_needs_permission, (), {
    return Module.lumoMotionPermission === 'needed' ? 1 : 0;
});

EM_JS(void, lumo_place_permission_control, (double x, double y, double w, double h, int shown), {
    Module.lumoPermissionControl = shown ? {x : x, y : y, width : w, height : h} : null;
});

namespace lumo {

namespace {

class DeviceMotionTilt : public TiltSource {
public:
    DeviceMotionTilt() { emscripten_set_devicemotion_callback(this, EM_FALSE, &DeviceMotionTilt::on_motion); }
    ~DeviceMotionTilt() override { emscripten_set_devicemotion_callback(nullptr, EM_FALSE, nullptr); }

    const char* name() const override { return "this device's motion sensor"; }

    bool poll(Acceleration* out) override {
        if (!have_) return false;
        *out = latest_;
        return true;
    }

    // Readings flowing means nothing is left to allow.
    bool needs_permission() const override { return !have_ && lumo_motion_needs_permission() != 0; }

    void set_permission_control(float x, float y, float width, float height, bool shown) override {
        lumo_place_permission_control(x, y, width, height, shown ? 1 : 0);
    }

private:
    static EM_BOOL on_motion(int, const EmscriptenDeviceMotionEvent* event, void* self) {
        auto* source = static_cast<DeviceMotionTilt*>(self);
        // Emscripten 3.1.6 works out supportedFields but never stores it, so
        // the field holds whatever its buffer held; a missing reading arrives
        // as NaN instead, and that is what tells one apart.
        const double x = event->accelerationIncludingGravityX, y = event->accelerationIncludingGravityY,
                     z = event->accelerationIncludingGravityZ;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return EM_FALSE;
        // Browsers without a sensor may still send events, with nothing in them.
        if (x == 0.0 && y == 0.0 && z == 0.0) return EM_FALSE;
        source->latest_ = tilt_from_device_motion(x, y, z, lumo_screen_angle());
        source->have_ = true;
        return EM_FALSE;
    }

    Acceleration latest_;
    bool have_ = false;
};

}  // namespace

std::unique_ptr<TiltSource> open_device_motion(std::string* problem) {
    if (!EM_ASM_INT({ return typeof DeviceMotionEvent !== 'undefined' ? 1 : 0; })) {
        *problem = "this browser has no motion events";
        return nullptr;
    }
    return std::make_unique<DeviceMotionTilt>();
}

}  // namespace lumo
