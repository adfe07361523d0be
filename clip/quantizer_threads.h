#pragma once
// How many threads libimagequant may use for the calling thread's work.

namespace lumo {

// libimagequant spreads its work over OpenMP threads and sums per thread, so
// its palettes would depend on the machine's core count. One thread (for
// the calling thread's work only) makes them the same on every machine and
// in the browser build, which has no threads, and leaves the other core to
// the interface.
void use_one_quantizer_thread();

}  // namespace lumo
