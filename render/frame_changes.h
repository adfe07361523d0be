#pragma once
// Whether the next frame could show anything the last one did not. The
// simulation steps every interval all the same; only the drawing and the
// present are skipped, which is most of an idle frame's cost. Shared by
// every host: the host's event path only says "something happened".

#include <array>
#include <cstdint>

#include "sim/surface_grid.h"

namespace lumo {

// How far a vertex may move, in surface units, and show nothing: a
// hundredth of a pixel on the tallest screens (the view is 0.38 units high),
// far above the last-place jitter of a surface at rest.
inline constexpr float kInvisibleMove = 1e-6f;
// Whether two surfaces (kSurfaceFloatCount floats) look the same.
bool same_to_the_eye(const float* a, const float* b);

// Everything besides the vertices that decides what a frame shows.
struct FrameLook {
    bool filled = true;  // triangles or lines
    int32_t cells = 0;  // cells revealed while a build runs
    uint32_t framebuffer = 0;  // the view's framebuffer and its size
    int width = 0, height = 0;
    friend bool operator==(const FrameLook&, const FrameLook&) = default;
};

class FrameChanges {
public:
    // Input reached the interface or the view: draw the next few frames
    // whatever the surface does, since the interface over it settles over a
    // couple of frames (a press shows, a menu opens, a window sizes itself).
    static constexpr int kSettleFrames = 3;
    void set_needs_display() { pending_ = kSettleFrames; }
    bool pending() const { return pending_ > 0; }

    // True when the frame must be drawn; then it is taken as drawn.
    bool take(const float* vertices, const FrameLook& look);

    // Off: every frame is drawn (to compare the two ways in tests).
    void set_enabled(bool enabled) { enabled_ = enabled; }
    long skipped() const { return skipped_; }

private:
    std::array<float, kSurfaceFloatCount> last_vertices_{};
    FrameLook last_look_;
    int pending_ = kSettleFrames;  // the first frames are always drawn
    bool enabled_ = true;
    long skipped_ = 0;
};

}  // namespace lumo
