#pragma once
// The machine's own motion sensor where the host reads it by other means
// than Linux IIO: the browser's device motion. Null where IIO is the way.

#include <memory>
#include <string>

#include "tilt/tilt_source.h"

namespace lumo {

using SensorOpener = std::unique_ptr<TiltSource> (*)(std::string* problem);
SensorOpener host_motion_sensor();

}  // namespace lumo
