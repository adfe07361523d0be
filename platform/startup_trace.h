#pragma once
// Where start-up time goes. With LUMO_STARTUP_TRACE set in the environment,
// each phase from main to the first picture on screen, and on to the first
// picture of the whole dome, writes one line on stderr when it first ends:
//
//   lumo: start-up: <phase> <monotonic ms> <ms since main> <process CPU ms>
//
// The monotonic time lets a launcher measure from its own exec (dynamic
// linking included); the CPU time, all threads', tells waiting from
// working. A phase marked again is not reported again. Without the
// variable a mark costs one branch.

namespace lumo {

void startup_mark(const char* phase);

// The line's first word, for whoever reads them.
inline constexpr const char* kStartupTracePrefix = "lumo: start-up: ";

}  // namespace lumo
