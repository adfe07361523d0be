#include "tilt/host_motion_sensor.h"

namespace lumo {

SensorOpener host_motion_sensor() { return nullptr; }

}  // namespace lumo
