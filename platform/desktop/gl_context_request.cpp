#include "platform/gl_context_request.h"

#include <SDL.h>

namespace lumo {

// A 2.1 context is the compatibility profile: lights, materials, client arrays.
void request_host_gl_context() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

}  // namespace lumo
