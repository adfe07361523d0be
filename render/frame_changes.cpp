#include "render/frame_changes.h"

#include <cmath>
#include <cstring>

namespace lumo {

bool same_to_the_eye(const float* a, const float* b) {
    for (int k = 0; k < kSurfaceFloatCount; ++k)
        if (!(std::fabs(a[k] - b[k]) <= kInvisibleMove)) return false;  // a NaN is a change too
    return true;
}

// A surface at rest does not repeat its floats exactly: the damped springs
// settle into a cycle of a unit in the last place or two, for ever. Such a
// change shows nothing, so the frame compares with the last one drawn
// within kInvisibleMove, not bit for bit.
bool FrameChanges::take(const float* vertices, const FrameLook& look) {
    const size_t bytes = sizeof(float) * last_vertices_.size();
    const bool same = look == last_look_ && same_to_the_eye(vertices, last_vertices_.data());
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
