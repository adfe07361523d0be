#pragma once
// OpenGL as the host offers it: the desktop's compatibility profile through
// libepoxy, the browser's WebGL 2 (OpenGL ES 3.0). Files that draw with the
// fixed-function calls include platform/fixed_function_gl.h instead.

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif
