#include "platform/gl_context_request.h"

#include <SDL.h>

namespace lumo {

// OpenGL ES 3.0 is WebGL 2: framebuffer blits and RGBA8 renderbuffers, as
// the compositor and the view's framebuffer need. No multisampling, which a
// blit into the canvas would not allow.
void request_host_gl_context() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
}

}  // namespace lumo
