#pragma once
// Where the tilt comes from: one accelerometer-like reading per sample, in
// units of standard gravity along the device's axes (x to the right of the
// screen, y towards its top, z out of the screen towards the viewer). The
// reading is the direction of gravity: a device lying face up reads
// (0, 0, -1), one held upright (0, -1, 0), one with its right side down
// (1, 0, 0). Smoothing is the caller's business.

namespace lumo {

// Whether a sensor's readings may flow, where the user must allow them
// (some browsers ask, after a tap).
enum class SensorAccess {
    open,  // nothing to allow
    checking,  // not known yet
    needs_permission,  // a tap on the permission control asks
    asking,  // the question is on screen
    refused,  // the user said no; the control asks again
};

struct Acceleration {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Readings beyond this many g on an axis are clamped, and an axis that is
// not a number reads 0: a shaken controller gives a few g, while a broken
// driver or a script's 3e38 would blow the body record up.
inline constexpr double kMaxTiltG = 4.0;
Acceleration clamped_tilt(const Acceleration& reading);

class TiltSource {
public:
    virtual ~TiltSource() = default;
    // Shown to the user, e.g. "arrow keys". Stable for the
    // source's life.
    virtual const char* name() const = 0;
    // The latest reading. false: none this time (device gone, read failed,
    // no sample yet); *out is left alone.
    virtual bool poll(Acceleration* out) = 0;
    virtual SensorAccess access() const { return SensorAccess::open; }
    // Where the control that asks for it sits, in window points; shown false
    // hides it. Browsers accept the request only from inside the tap's own
    // event handler, so the sensor is told where the control is and answers
    // the tap itself, rather than being told of a press a frame later.
    virtual void set_permission_control(float /*x*/, float /*y*/, float /*width*/, float /*height*/, bool /*shown*/) {}
};

}  // namespace lumo
