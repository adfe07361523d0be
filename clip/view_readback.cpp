#include "clip/view_readback.h"

#include <string>

namespace lumo {
namespace {

std::size_t frame_bytes(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

// Reads from the framebuffer given, putting the read binding back after.
class ReadFrom {
public:
    explicit ReadFrom(GLuint framebuffer) {
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous_);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    }
    ~ReadFrom() { glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous_)); }
    ReadFrom(const ReadFrom&) = delete;
    ReadFrom& operator=(const ReadFrom&) = delete;

private:
    GLint previous_ = 0;
};

}  // namespace

ViewReadback::Mode ViewReadback::best_mode() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string name = renderer != nullptr ? renderer : "";
    const bool software = name.find("llvmpipe") != std::string::npos || name.find("softpipe") != std::string::npos;
    return software ? Mode::direct : Mode::pixel_buffer;
}

ViewReadback::ViewReadback(int width, int height, Mode mode) : width_(width), height_(height), mode_(mode) {
    if (mode_ == Mode::direct) {
        direct_.resize(frame_bytes(width, height));
        return;
    }
    glGenBuffers(2, buffers_.data());
    for (GLuint buffer : buffers_) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(frame_bytes(width, height)), nullptr,
                     GL_STREAM_READ);
    }
    // Unbound again: every other glReadPixels of the program reads into memory.
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

ViewReadback::~ViewReadback() {
    if (mode_ == Mode::pixel_buffer) glDeleteBuffers(2, buffers_.data());
}

void ViewReadback::read(const ViewFrame& frame, double time, const Take& take) {
    if (frame.width != width_ || frame.height != height_ || frame.framebuffer == 0) return;
    if (mode_ == Mode::direct) {
        {
            ReadFrom source(frame.framebuffer);
            glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, direct_.data());
        }
        take(direct_, time);
        return;
    }
    const int buffer = next_;
    {
        ReadFrom source(frame.framebuffer);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[buffer]);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);  // into the buffer, not waited for
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    pending_[buffer] = true;
    times_[buffer] = time;
    next_ = 1 - buffer;
    if (pending_[next_]) hand_over(next_, take);  // the frame before: its copy is done
}

void ViewReadback::flush(const Take& take) {
    if (mode_ == Mode::pixel_buffer && pending_[1 - next_]) hand_over(1 - next_, take);
}

void ViewReadback::hand_over(int buffer, const Take& take) {
    pending_[buffer] = false;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[buffer]);
    const std::size_t bytes = frame_bytes(width_, height_);
    const void* pixels = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT);
    if (pixels != nullptr) {
        take(std::span<const uint8_t>(static_cast<const uint8_t*>(pixels), bytes), times_[buffer]);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

}  // namespace lumo
