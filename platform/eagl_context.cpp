#include "platform/eagl_context.h"

#include "platform/gl_window.h"

namespace lumo {

namespace {
EAGLContext* g_current = nullptr;  // main thread only, like every GL call
}

std::unique_ptr<EAGLContext> EAGLContext::initWithWindow(GLWindow* window) {
    if (window == nullptr || !window->make_current()) return nullptr;
    return std::unique_ptr<EAGLContext>(new EAGLContext(window));
}

EAGLContext::~EAGLContext() {
    if (g_current == this) g_current = nullptr;
}

bool EAGLContext::setCurrentContext(EAGLContext* context) {
    if (context == nullptr) {
        g_current = nullptr;
        return true;
    }
    if (!context->window_->make_current()) return false;
    g_current = context;
    return true;
}

EAGLContext* EAGLContext::currentContext() { return g_current; }

void EAGLContext::drawableSize(int* width, int* height) const {
    if (override_width_ >= 0) {
        *width = override_width_;
        *height = override_height_;
        return;
    }
    const ViewRect r = window_->view_rect_pixels();
    *width = r.width;
    *height = r.height;
}

void EAGLContext::overrideDrawableSize(int width, int height) {
    override_width_ = width;
    override_height_ = height;
}

bool EAGLContext::colorBufferStorage(GLuint texture, int* width_out, int* height_out) {
    int width = 0, height = 0;
    drawableSize(&width, &height);
    color_width_ = *width_out = width;
    color_height_ = *height_out = height;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));  // the surface's picture stays bound
    return glGetError() == GL_NO_ERROR;
}

bool EAGLContext::presentRenderbuffer(GLenum /*target*/) {
    if (presenter_ == nullptr) return false;
    ViewFrame frame;
    GLint framebuffer = 0, texture = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                          &texture);
    frame.framebuffer = static_cast<GLuint>(framebuffer);
    frame.texture = static_cast<GLuint>(texture);
    frame.width = color_width_;
    frame.height = color_height_;
    presenter_->present_frame(frame);
    return true;
}

}  // namespace lumo
