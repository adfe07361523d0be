#pragma once
// The drawing view's context: the window's OpenGL context, the storage of
// its colour buffer (the view's rectangle in pixels), and presenting that
// buffer, which the compositor copies to the window.
//
// The colour buffer is a texture rather than a renderbuffer: the compositor
// draws it into the window (platform/frame_copy.h), which under Mesa's
// software driver costs a quarter of what a blit does on its first use.

#include "platform/gl.h"

#include <memory>

namespace lumo {

class GLWindow;

// A frame the view drew: its framebuffer and that framebuffer's colour
// texture, width x height pixels.
struct ViewFrame {
    GLuint framebuffer = 0;
    GLuint texture = 0;
    int width = 0, height = 0;
};

class Presenter {
public:
    virtual ~Presenter() = default;
    // Shows the frame in the window.
    virtual void present_frame(const ViewFrame& frame) = 0;
};

class EAGLContext {
public:
    // Null when the window's context cannot be made current.
    static std::unique_ptr<EAGLContext> initWithWindow(GLWindow* window);
    ~EAGLContext();

    static bool setCurrentContext(EAGLContext* context);  // null clears the current context
    static EAGLContext* currentContext();

    // Gives `texture` RGBA8 storage of the drawable's size (into *width and
    // *height), for a colour buffer: sampled nearest, so that it is drawn
    // pixel for pixel.
    bool colorBufferStorage(GLuint texture, int* width, int* height);
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
    int color_width_ = 0, color_height_ = 0;  // the last colour buffer's size
};

}  // namespace lumo
