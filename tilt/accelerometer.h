#pragma once
// The shared accelerometer: samples from the best tilt source, delivered to
// a delegate on the main thread at a fixed interval by a run-loop timer.

#include <optional>

#include "platform/run_loop.h"
#include "tilt/tilt_source.h"

namespace lumo {

class UIAccelerometer;

class UIAccelerometerDelegate {
public:
    virtual ~UIAccelerometerDelegate() = default;
    virtual void accelerometer_didAccelerate(UIAccelerometer* accelerometer, const Acceleration& sample) = 0;
};

class UIAccelerometer {
public:
    UIAccelerometer(RunLoop* run_loop, TiltSource* source);
    ~UIAccelerometer();
    UIAccelerometer(const UIAccelerometer&) = delete;
    UIAccelerometer& operator=(const UIAccelerometer&) = delete;

    void setUpdateInterval(double seconds);
    double updateInterval() const { return interval_; }
    // Samples flow while a delegate is set; none stops them.
    void setDelegate(UIAccelerometerDelegate* delegate);
    // Scripted input: this reading replaces the source's until cleared.
    void overrideReading(std::optional<Acceleration> reading) { override_ = reading; }

private:
    void fire();
    void restart();

    RunLoop* run_loop_;
    TiltSource* source_;
    UIAccelerometerDelegate* delegate_ = nullptr;
    double interval_ = 1.0 / 30.0;
    Timer timer_;
    std::optional<Acceleration> override_;
};

}  // namespace lumo
