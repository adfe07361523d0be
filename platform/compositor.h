#pragma once
// Puts a frame on the window: the view's colour buffer copied into its
// letterboxed rectangle, the interface drawn over it, then the swap.
// Also recomposes the last frame alone (the interface changes while the
// frame timer is stopped) and captures what it showed as a PNG.

#include <string>
#include <vector>

#include "platform/eagl_context.h"

namespace lumo {

class GLWindow;

// Told of each frame put on the screen (the browser's page watches it).
void host_frame_presented(long frames_presented);

class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void draw_overlay() = 0;  // draws into the window's framebuffer
};

class Compositor : public Presenter {
public:
    explicit Compositor(GLWindow* window) : window_(window) {}

    void present_frame(GLuint framebuffer, int width, int height) override;
    void recompose();
    void setOverlay(Overlay* overlay) { overlay_ = overlay; }
    long framesPresented() const { return frames_presented_; }

    // The next composition is also read back and written as a PNG (rows top first).
    void captureNextComposition(std::string path) { capture_path_ = std::move(path); }
    // Where the last capture failed, why; empty after a success.
    const std::string& captureError() const { return capture_error_; }

private:
    void compose();
    void capture();

    GLWindow* window_;
    Overlay* overlay_ = nullptr;
    GLuint source_ = 0;
    int source_width_ = 0, source_height_ = 0;
    long frames_presented_ = 0;
    std::string capture_path_;
    std::string capture_error_;
    std::vector<unsigned char> capture_pixels_;  // reused: a capture is rare, but no need to allocate twice
};

}  // namespace lumo
