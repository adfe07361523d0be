#include "platform/compositor.h"

namespace lumo {

void host_frame_presented(long) {}

}  // namespace lumo
