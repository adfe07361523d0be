#pragma once
// The drawing view's context: the window's OpenGL context, the storage of
// its colour renderbuffer (the view's rectangle in pixels), and presenting
// that renderbuffer, which the compositor copies to the window.

#include "platform/gl.h"

#include <memory>

namespace lumo {

class GLWindow;

class Presenter {
public:
    virtual ~Presenter() = default;
    // Shows the colour buffer of `framebuffer` (width x height pixels) in the window.
    virtual void present_frame(GLuint framebuffer, int width, int height) = 0;
};

class EAGLContext {
public:
    // Null when the window's context cannot be made current.
    static std::unique_ptr<EAGLContext> initWithWindow(GLWindow* window);
    ~EAGLContext();

    static bool setCurrentContext(EAGLContext* context);  // null clears the current context
    static EAGLContext* currentContext();

    // Gives the bound renderbuffer RGBA8 storage of the drawable's size.
    bool renderbufferStorage(GLenum target);
    // Presents the colour buffer of the bound framebuffer.
    bool presentRenderbuffer(GLenum target);

    void setPresenter(Presenter* presenter) { presenter_ = presenter; }
    GLWindow* window() const { return window_; }
    void drawableSize(int* width, int* height) const;
    // Pins the drawable size (tests); a negative width returns to the window's.
    void overrideDrawableSize(int width, int height);

private:
    explicit EAGLContext(GLWindow* window) : window_(window) {}
    GLWindow* window_;
    Presenter* presenter_ = nullptr;
    int override_width_ = -1, override_height_ = -1;
};

}  // namespace lumo
