#pragma once
// Which OpenGL the host's context is: asked of SDL before the window exists.

namespace lumo {

void request_host_gl_context();

}  // namespace lumo
