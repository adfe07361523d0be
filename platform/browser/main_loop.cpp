#include "platform/main_loop.h"

#include <emscripten.h>

namespace lumo {

namespace {

struct Loop {
    MainLoopTurn turn = nullptr;
    void* context = nullptr;
};
Loop loop;

void animation_frame(void*) {
    if (!loop.turn(loop.context)) emscripten_cancel_main_loop();
}

}  // namespace

// On requestAnimationFrame. Returns to the caller at once (no simulated
// infinite loop), so everything the turns use must live on the heap.
void run_main_loop(MainLoopTurn turn, void* context) {
    loop = {turn, context};
    emscripten_set_main_loop_arg(&animation_frame, nullptr, 0, 0);
}

double main_loop_turn_wait() { return 0.0; }

bool host_display_available() { return true; }

}  // namespace lumo
