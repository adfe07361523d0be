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

bool EAGLContext::renderbufferStorage(GLenum target) {
    int width = 0, height = 0;
    drawableSize(&width, &height);
    glRenderbufferStorage(target, GL_RGBA8, width, height);
    return glGetError() == GL_NO_ERROR;
}

bool EAGLContext::presentRenderbuffer(GLenum /*target*/) {
    if (presenter_ == nullptr) return false;
    GLint framebuffer = 0, width = 0, height = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    presenter_->present_frame(static_cast<GLuint>(framebuffer), width, height);
    return true;
}

}  // namespace lumo
