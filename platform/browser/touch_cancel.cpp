#include <emscripten.h>

#include "platform/touch_router.h"

// The page records the identifiers of cancelled touches (lumo.js) before
// SDL turns the same touchcancel into a lift; each is answered once.
EM_JS(int, lumo_take_cancelled_touch, (double identifier), {
    const cancelled = Module.lumoCancelledTouches;
    if (!cancelled || !cancelled.has(identifier)) return 0;
    cancelled.delete(identifier);
    return 1;
});

namespace lumo {

bool host_finger_was_cancelled(SDL_FingerID finger) {
    return lumo_take_cancelled_touch(static_cast<double>(finger)) != 0;
}

}  // namespace lumo
