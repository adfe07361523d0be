#include "platform/frame_copy.h"

namespace lumo {

void copy_frame_to_window(const ViewFrame& frame, int x, int y, int, int) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frame.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, frame.width, frame.height, x, y, x + frame.width, y + frame.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace lumo
