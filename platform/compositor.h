#pragma once
// Puts a frame on the window: the view's colour buffer copied into its
// letterboxed rectangle (platform/frame_copy.h), the interface drawn over
// it, then the swap.
// Also recomposes the last frame alone (the interface changes while the
// frame timer is stopped) and captures what it showed as a PNG.

#include <vector>

#include "platform/eagl_context.h"

namespace lumo {

class GLWindow;

class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void draw_overlay() = 0;  // draws into the window's framebuffer
};

class Compositor : public Presenter {
public:
    explicit Compositor(GLWindow* window) : window_(window) {}

    void present_frame(const ViewFrame& frame) override;
    void recompose();
    void set_overlay(Overlay* overlay) { overlay_ = overlay; }
    long frames_presented() const { return frames_presented_; }

    // The next composition is also read back: opaque RGBA rows, top first,
    // kept until the next capture. Writing them is the caller's business, so
    // that the file is written like every other file of the program.
    void capture_next_composition() { capture_requested_ = true; }
    const std::vector<unsigned char>& captured_pixels() const { return capture_pixels_; }
    int captured_width() const { return capture_width_; }
    int captured_height() const { return capture_height_; }

private:
    void compose();
    void capture();

    GLWindow* window_;
    Overlay* overlay_ = nullptr;
    ViewFrame source_;
    long frames_presented_ = 0;
    bool capture_requested_ = false;
    int capture_width_ = 0, capture_height_ = 0;
    std::vector<unsigned char> capture_pixels_;  // reused: a capture is rare, but no need to allocate twice
};

}  // namespace lumo
