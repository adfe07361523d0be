#include "tilt/tilt_selector.h"

#include "tilt/tilt_iio.h"
#include "tilt/tilt_keys.h"

namespace lumo {

TiltSelector::TiltSelector() : TiltSelector(Options{}) {}

TiltSelector::TiltSelector(const Options& options) : keyboard_likely_(options.keyboard_likely) {
    if (options.use_iio && options.open_sensor) {
        iio_ = options.open_sensor(&iio_problem_);
    } else if (options.use_iio) {
        iio_ = open_iio_accelerometer(options.iio_root, &iio_problem_);
        sensor_live_ = iio_ != nullptr;
    } else {
        iio_problem_ = "not asked for";
    }
    if (options.use_controllers) start_controllers();
    choose();
}

void TiltSelector::start_controllers() {
    if (controllers_ready_) return;
    controllers_ready_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!sensor_live_) open_first_controller();
    choose();
}

TiltSelector::~TiltSelector() {
    controller_.reset();
    if (controllers_ready_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void TiltSelector::open_first_controller() {
    if (!controllers_ready_) return;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count && !controller_; ++index) controller_ = ControllerTilt::open(index);
}

void TiltSelector::choose() {
    if (prefer_keyboard_) {
        current_ = &keyboard_;
    } else if (iio_ && sensor_live_) {
        current_ = iio_.get();
    } else if (controller_) {
        current_ = controller_.get();
    } else {
        current_ = &keyboard_;
    }
}

bool TiltSelector::poll(Acceleration* out) {
    if (iio_ && !sensor_live_) {
        // Present once it speaks: until then the next best source tilts.
        Acceleration first;
        if (iio_->poll(&first)) {
            sensor_live_ = true;
            choose();
            if (current_ == iio_.get()) {
                *out = first;
                return true;
            }
        }
        return current_->poll(out);
    }
    if (!iio_ || current_ != iio_.get()) return current_->poll(out);
    if (iio_->poll(out)) {
        iio_failures_ = 0;
        return true;
    }
    if (++iio_failures_ >= kIioFailuresBeforeFallback) {
        iio_problem_ = std::string(iio_->name()) + " stopped answering";
        current_ = &keyboard_;  // never left pointing at a source about to go
        iio_.reset();
        open_first_controller();
        choose();
    }
    return false;
}

void TiltSelector::handle_controller_event(const SDL_Event& event) {
    if (!controllers_ready_) return;
    if (event.type == SDL_CONTROLLERDEVICEADDED) {
        // SDL also announces the controllers present at start, one of which
        // we may already hold; and with a machine accelerometer none is needed.
        if ((iio_ && sensor_live_) || controller_) return;
        controller_ = ControllerTilt::open(event.cdevice.which);
        choose();
    } else if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
        if (!controller_ || controller_->instance_id() != event.cdevice.which) return;
        current_ = &keyboard_;
        controller_.reset();
        if (!iio_ || !sensor_live_) open_first_controller();
        choose();
    }
}

bool TiltSelector::handle_key(SDL_Keycode key) {
    if (!keyboard_active()) return false;
    return apply_tilt_key(tilt_key_for(key), &keyboard_);
}

void TiltSelector::prefer_keyboard(bool prefer) {
    prefer_keyboard_ = prefer;
    choose();
}

}  // namespace lumo
