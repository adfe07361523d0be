#include "render/frame_changes.h"

#include <cstring>

namespace lumo {

// Bit-for-bit: a surface that has come to rest repeats its floats exactly,
// and any change, however small, may move a pixel.
bool FrameChanges::take(const float* vertices, const FrameLook& look) {
    const size_t bytes = sizeof(float) * last_vertices_.size();
    const bool same = look == last_look_ && std::memcmp(vertices, last_vertices_.data(), bytes) == 0;
    if (enabled_ && same && pending_ == 0) {
        ++skipped_;
        return false;
    }
    if (pending_ > 0) --pending_;
    if (!same) {
        std::memcpy(last_vertices_.data(), vertices, bytes);
        last_look_ = look;
    }
    return true;
}

}  // namespace lumo
