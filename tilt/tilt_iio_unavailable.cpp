// The browser has no Linux IIO: its motion sensor is device motion
// (tilt_device_motion.cpp), which the selector is given instead.

#include "tilt/tilt_iio.h"

namespace lumo {

std::unique_ptr<TiltSource> open_iio_accelerometer(const std::filesystem::path&, std::string* problem) {
    if (problem != nullptr) *problem = "no Linux IIO in a browser";
    return nullptr;
}

}  // namespace lumo
