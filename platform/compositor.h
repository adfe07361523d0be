#pragma once
// Puts a frame on the window: the view's colour buffer copied into its
// letterboxed rectangle (platform/frame_copy.h), the interface drawn over
// it, then the swap.
// Also recomposes the last frame alone (the interface changes while the
// frame timer is stopped) and captures what it showed as a PNG.

#include <vector>

#include "platform/eagl_context.h"
#include "platform/gl_window.h"

namespace lumo {

class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void draw_overlay() = 0;  // draws into the window's framebuffer
};

// Told of each frame the view presents (a clip records the view alone).
class FrameTap {
public:
    virtual ~FrameTap() = default;
    // As soon as the view has drawn it, before anything else is drawn: its
    // framebuffer is still bound, and a read of it waits for the frame's
    // drawing alone.
    virtual void view_frame_drawn(const ViewFrame& frame) = 0;
    // Once it is in the window at in_window (window pixels from the top
    // left), before the interface is drawn over it. The window's
    // framebuffer is bound.
    virtual void view_frame_shown(const ViewFrame& frame, const ViewRect& in_window) = 0;
};

class Compositor : public Presenter {
public:
    explicit Compositor(GLWindow* window) : window_(window) {}

    void present_frame(const ViewFrame& frame) override;
    void recompose();
    void set_overlay(Overlay* overlay) { overlay_ = overlay; }
    void set_frame_tap(FrameTap* tap) { tap_ = tap; }
    long frames_presented() const { return frames_presented_; }

    // The next composition is also read back: opaque RGBA rows, top first,
    // kept until the next capture. Writing them is the caller's business, so
    // that the file is written like every other file of the program.
    void capture_next_composition() { capture_requested_ = true; }
    const std::vector<unsigned char>& captured_pixels() const { return capture_pixels_; }
    int captured_width() const { return capture_width_; }
    int captured_height() const { return capture_height_; }

private:
    void compose(bool presented);
    void capture();

    GLWindow* window_;
    Overlay* overlay_ = nullptr;
    FrameTap* tap_ = nullptr;
    ViewFrame source_;
    long frames_presented_ = 0;
    bool capture_requested_ = false;
    int capture_width_ = 0, capture_height_ = 0;
    std::vector<unsigned char> capture_pixels_;  // reused: a capture is rare, but no need to allocate twice
};

}  // namespace lumo
