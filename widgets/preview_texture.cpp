#include "widgets/preview_texture.h"

#include "platform/gl.h"

#include <cstdint>

namespace lumo {

// The picture browser's preview: a texture of ours, made without disturbing
// the surface's texture binding.
ImTextureID create_preview_texture(const Picture& picture) {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, picture.width(), picture.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 picture.empty() ? nullptr : picture.pixels());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture));
}

void destroy_preview_texture(ImTextureID id) {
    const auto texture = static_cast<GLuint>(reinterpret_cast<intptr_t>(id));
    glDeleteTextures(1, &texture);
}

}  // namespace lumo
