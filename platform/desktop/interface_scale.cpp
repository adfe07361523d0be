#include "platform/interface_scale.h"

namespace lumo {

float host_interface_scale() { return 1.0f; }

}  // namespace lumo
