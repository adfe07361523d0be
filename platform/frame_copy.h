#pragma once
// Copies the view's frame into the window's framebuffer, pixel for pixel,
// with its lower-left corner at (x, y) in window pixels (rows counted from
// the bottom, as GL counts them) of a window_width x window_height window.
// Leaves the window's framebuffer bound and every other GL state as it was.
//
// The desktop draws the frame's texture as a quad: Mesa's software driver
// compiles a blit's pipeline on its first use, about 45 ms of a 250 ms
// launch, where a textured quad costs about 10. The browser blits.

#include "platform/eagl_context.h"

namespace lumo {

void copy_frame_to_window(const ViewFrame& frame, int x, int y, int window_width, int window_height);

}  // namespace lumo
