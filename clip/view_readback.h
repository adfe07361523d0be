#pragma once
// The view's frames read back for a clip, from the view's own framebuffer
// (never the window: the panel and the recording dot are not in it).
//
// pixel_buffer: each frame is read into one of two pixel-buffer objects,
// which the GPU fills while the main thread goes on; the buffer is mapped
// when the next frame is read, by which time the copy is long done. direct:
// glReadPixels into memory, waiting for it. Mesa's software renderers have
// no GPU to wait for, and fill a pixel buffer with a shader pass of their
// own: there the plain read costs less (bench/clip_bench.cpp measures both).
//
// Main thread only, with the view's GL context current.

#include "platform/gl.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/eagl_context.h"

namespace lumo {

class ViewReadback {
public:
    enum class Mode { pixel_buffer, direct };
    // A frame's pixels, width * height * 4 bytes of RGBA, bottom row first
    // (as GL reads them), and the time it was presented. Valid only during the call.
    using Take = std::function<void(std::span<const uint8_t> rgba, double time)>;

    ViewReadback(int width, int height, Mode mode);
    // The cheaper mode for the current context's renderer.
    static Mode best_mode();
    ~ViewReadback();
    ViewReadback(const ViewReadback&) = delete;
    ViewReadback& operator=(const ViewReadback&) = delete;

    // Starts reading `frame`, presented at `time`, and hands the frame read
    // before it to `take` (pixel_buffer), or this frame itself (direct). A
    // frame of another size is not read. Leaves the bindings as they were.
    void read(const ViewFrame& frame, double time, const Take& take);
    // Hands over the frame still being read, if any.
    void flush(const Take& take);

private:
    void hand_over(int buffer, const Take& take);

    int width_;
    int height_;
    Mode mode_;
    std::array<GLuint, 2> buffers_{};
    std::array<double, 2> times_{};
    std::array<bool, 2> pending_{};
    int next_ = 0;
    std::vector<uint8_t> direct_;  // direct mode's pixels
};

}  // namespace lumo
