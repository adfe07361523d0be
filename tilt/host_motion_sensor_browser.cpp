#include "tilt/host_motion_sensor.h"
#include "tilt/tilt_device_motion.h"

namespace lumo {

SensorOpener host_motion_sensor() { return &open_device_motion; }

}  // namespace lumo
