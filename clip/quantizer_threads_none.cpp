#include "clip/quantizer_threads.h"

// The browser build's libimagequant is compiled without OpenMP: one thread already.

namespace lumo {

void use_one_quantizer_thread() {}

}  // namespace lumo
