#include "platform/main_loop.h"

#include <cstdlib>
#include <initializer_list>

namespace lumo {

void run_main_loop(MainLoopTurn turn, void* context) {
    while (turn(context)) {
    }
}

double main_loop_turn_wait() { return 0.25; }

// An explicit SDL driver counts as a display: the user asked for it.
bool host_display_available() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace lumo
