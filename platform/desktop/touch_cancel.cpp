#include "platform/touch_router.h"

namespace lumo {

bool host_finger_was_cancelled(SDL_FingerID) { return false; }

}  // namespace lumo
