#include "tilt/accelerometer.h"

#include <algorithm>
#include <cmath>

namespace lumo {

Acceleration clamped_tilt(const Acceleration& reading) {
    const auto clamp = [](double g) { return std::isnan(g) ? 0.0 : std::clamp(g, -kMaxTiltG, kMaxTiltG); };
    return {clamp(reading.x), clamp(reading.y), clamp(reading.z)};
}

UIAccelerometer::UIAccelerometer(RunLoop* run_loop, TiltSource* source) : run_loop_(run_loop), source_(source) {}

UIAccelerometer::~UIAccelerometer() { run_loop_->invalidate(timer_); }

void UIAccelerometer::setUpdateInterval(double seconds) {
    interval_ = seconds;
    restart();
}

void UIAccelerometer::setDelegate(UIAccelerometerDelegate* delegate) {
    delegate_ = delegate;
    restart();
}

void UIAccelerometer::restart() {
    run_loop_->invalidate(timer_);
    timer_ = delegate_ != nullptr ? run_loop_->scheduleRepeating(interval_, [this] { fire(); }) : Timer{};
}

void UIAccelerometer::fire() {
    Acceleration sample;
    if (override_) sample = *override_;
    else if (!source_->poll(&sample)) return;  // no reading this time
    // Every source and the scripted override pass here: one clamp covers them all.
    sample = clamped_tilt(sample);
    if (delegate_ != nullptr) delegate_->accelerometer_didAccelerate(this, sample);
}

}  // namespace lumo
