#include "clip/quantizer_threads.h"

// Debian's libimagequant runs on GCC's libgomp, which lumo links by name so
// that this reaches the same runtime whichever compiler builds lumo (clang's
// -fopenmp would bring LLVM's libomp, a second runtime). The OpenMP API's own
// declaration: <omp.h> comes only with the compiler's OpenMP support.
extern "C" void omp_set_num_threads(int count);

namespace lumo {

void use_one_quantizer_thread() { omp_set_num_threads(1); }

}  // namespace lumo
