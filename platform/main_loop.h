#pragma once
// The program's outermost loop, which the host owns. The desktop calls
// turn() back to back, each turn waiting for input or the next timer; the
// browser calls it once per animation frame and must never be kept waiting,
// so there a turn only polls.

namespace lumo {

// false ends the loop.
using MainLoopTurn = bool (*)(void* context);

// Returns once a turn returned false. In the browser it returns at once and
// the turns go on from the browser's event loop; `context` must outlive them.
void run_main_loop(MainLoopTurn turn, void* context);

// How long one turn may wait for input, in seconds.
double main_loop_turn_wait();

// Whether there is a screen to open a window on.
bool host_display_available();

}  // namespace lumo
