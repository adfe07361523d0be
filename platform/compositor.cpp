#include "platform/compositor.h"

#include <cstring>

#include "platform/host.h"
#include "platform/gl_window.h"
#include "platform/startup_trace.h"

namespace lumo {

void Compositor::present_frame(const ViewFrame& frame) {
    source_ = frame;
    if (tap_ != nullptr) tap_->view_frame_drawn(frame);
    ++frames_presented_;
    host_frame_presented(frames_presented_);
    compose(true);
}

void Compositor::recompose() { compose(false); }

void Compositor::compose(bool presented) {
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    int dw = 0, dh = 0;
    window_->drawable_size_pixels(&dw, &dh);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, dw, dh);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);  // the letterbox bars
    glClear(GL_COLOR_BUFFER_BIT);
    // A resize replaces the view's framebuffer: until the next frame there is none to show.
    if (source_.framebuffer != 0 && glIsFramebuffer(source_.framebuffer) && glIsTexture(source_.texture)) {
        // GL counts rows from the bottom; the view's rectangle from the top.
        const ViewRect r = window_->view_rect_pixels();
        host_copy_frame_to_window(source_, r.x, dh - r.y - source_.height, dw, dh);
        if (presented && tap_ != nullptr) tap_->view_frame_shown(source_, r);
    }
    startup_mark("frame copied");
    if (overlay_ != nullptr) overlay_->draw_overlay();
    startup_mark("interface drawn");
    if (capture_requested_) capture();
    window_->swap();
    startup_mark("first swap");
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
}

void Compositor::capture() {
    int dw = 0, dh = 0;
    window_->drawable_size_pixels(&dw, &dh);
    const size_t row = static_cast<size_t>(dw) * 4;
    capture_pixels_.resize(row * dh);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, dw, dh, GL_RGBA, GL_UNSIGNED_BYTE, capture_pixels_.data());
    // Bottom-up rows to top-down, in place.
    std::vector<unsigned char> swap_row(row);
    for (int y = 0; y < dh / 2; ++y) {
        unsigned char* a = capture_pixels_.data() + row * y;
        unsigned char* b = capture_pixels_.data() + row * (dh - 1 - y);
        std::memcpy(swap_row.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap_row.data(), row);
    }
    for (size_t k = 3; k < capture_pixels_.size(); k += 4) capture_pixels_[k] = 255;  // the window is opaque
    capture_width_ = dw;
    capture_height_ = dh;
    capture_requested_ = false;
}

}  // namespace lumo
