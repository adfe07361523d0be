#pragma once
// The fixed-function OpenGL the drawing view uses: lights and materials,
// matrices, client arrays. The desktop has it; the browser emulates those
// calls over WebGL 2 (platform/browser/fixed_function.h), renaming them with
// macros, so only the files that draw with them include this header.

#ifdef __EMSCRIPTEN__
#include "platform/browser/fixed_function.h"
#else
#include "platform/gl.h"
#endif
