#pragma once
// Picks where the tilt comes from, best first: the machine's own
// accelerometer (IIO), a game controller's accelerometer, the arrow keys.
// Sources come and go at run time: controllers are plugged in and out (the
// application forwards SDL_CONTROLLERDEVICEADDED / REMOVED), and an IIO
// device that stops answering for a second is given up.
//
// The arrow keys act only while the keyboard is the source; the user can
// make it the source with prefer_keyboard(true), over any sensor.

#include <SDL.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "tilt/tilt_controller.h"
#include "tilt/tilt_keyboard.h"
#include "tilt/tilt_source.h"

namespace lumo {

class TiltSelector : public TiltSource {
public:
    struct Options {
        std::filesystem::path iio_root = "/sys/bus/iio/devices";
        bool use_iio = true;
        bool use_controllers = true;  // start_controllers() at once
        // Opens the machine's own accelerometer instead of reading IIO (the
        // browser's device motion); null when there is none, with *problem
        // set. Such a sensor counts as present from its first reading on.
        std::function<std::unique_ptr<TiltSource>(std::string* problem)> open_sensor;
        // Whether the user is likely to have arrow keys (not on a device
        // driven by fingers alone): offered in place of a sensor only then.
        bool keyboard_likely = true;
    };
    // Consecutive failed IIO samples (one second at 30 samples a second)
    // before the next best source takes over.
    static constexpr int kIioFailuresBeforeFallback = 30;

    TiltSelector();
    explicit TiltSelector(const Options& options);
    ~TiltSelector() override;  // destroy before SDL_Quit: it closes its controller
    TiltSelector(const TiltSelector&) = delete;
    TiltSelector& operator=(const TiltSelector&) = delete;

    // A sample from the current source; false when there is none this time.
    bool poll(Acceleration* out) override;
    const char* name() const override { return source_name(); }

    // Initialises SDL's game-controller subsystem, which looks through the
    // machine's input devices (milliseconds: the application does it after
    // its first picture), and takes the first controller with an
    // accelerometer unless the machine's own is in use. Nothing once started;
    // without the subsystem (no joystick support, no permission) there are no controllers.
    void start_controllers();
    bool controllers_started() const { return controllers_ready_; }

    // SDL_CONTROLLERDEVICEADDED / REMOVED; any other event is ignored.
    void handle_controller_event(const SDL_Event& event);
    // Arrow keys, Home and 0, while the keyboard is the source. true: used.
    bool handle_key(SDL_Keycode key);

    void prefer_keyboard(bool prefer);
    bool prefers_keyboard() const { return prefer_keyboard_; }

    const TiltSource& current() const { return *current_; }
    const char* source_name() const { return current_->name(); }
    bool keyboard_active() const { return current_ == &keyboard_; }
    KeyboardTilt& keyboard() { return keyboard_; }
    // Why the machine's accelerometer is not in use (absent, refused, or
    // stopped answering): for a log line. Empty while it is in use.
    const std::string& iio_problem() const { return iio_problem_; }
    // The machine's own sensor: whether there is one, whether it has given a
    // reading yet, and whether the user must allow it first.
    bool sensor_present() const { return iio_ != nullptr; }
    bool sensor_live() const { return iio_ != nullptr && sensor_live_; }
    SensorAccess sensor_access() const { return iio_ ? iio_->access() : SensorAccess::open; }
    bool keyboard_likely() const { return keyboard_likely_; }
    void set_permission_control(float x, float y, float width, float height, bool shown) {
        if (iio_) iio_->set_permission_control(x, y, width, height, shown);
    }

private:
    void open_first_controller();
    void choose();

    bool controllers_ready_ = false;  // SDL's game-controller subsystem is ours to use
    bool prefer_keyboard_ = false;
    bool keyboard_likely_ = true;
    std::unique_ptr<TiltSource> iio_;
    std::unique_ptr<ControllerTilt> controller_;
    KeyboardTilt keyboard_;
    TiltSource* current_ = &keyboard_;
    int iio_failures_ = 0;
    bool sensor_live_ = false;  // the sensor has given a reading (IIO: as soon as it opened)
    std::string iio_problem_;
};

}  // namespace lumo
