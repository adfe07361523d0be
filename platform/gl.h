#pragma once
// OpenGL as the host offers it. The desktop has the compatibility profile
// through libepoxy. The browser has WebGL 2 (OpenGL ES 3.0), over which the
// few fixed-function calls the drawing view makes are emulated with the
// same per-vertex lighting (platform/browser/fixed_function.h).

#ifdef __EMSCRIPTEN__
#include "platform/browser/fixed_function.h"
#else
#include <epoxy/gl.h>
#endif
