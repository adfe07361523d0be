#include "platform/frame_copy.h"

namespace lumo {

void copy_frame_to_window(const ViewFrame& frame, int x, int y, int window_width, int window_height) {
    const float left = static_cast<float>(x), bottom = static_cast<float>(y);
    const float right = left + static_cast<float>(frame.width), top = bottom + static_cast<float>(frame.height);
    // Corners on whole pixels and texels sampled nearest: texel (i, j) lands on pixel (x + i, y + j).
    const GLfloat corners[] = {left, bottom, right, bottom, right, top, left, top};
    const GLfloat texels[] = {0, 0, 1, 0, 1, 1, 0, 1};

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Saved and restored: the enables, the texture binding and its
    // environment, the matrix mode, the viewport and the client arrays.
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glViewport(0, 0, window_width, window_height);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, frame.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);  // the texel as it is, alpha included
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, window_width, 0, window_height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, texels);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace lumo
