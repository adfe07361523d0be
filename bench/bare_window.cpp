// The floor under lumo's start-up: the same window and GL context (through
// the program's own GLWindow), then the kinds of drawing its first frame
// does and nothing of its own: a lit, textured, depth-tested mesh into a
// framebuffer object, that framebuffer copied to the window as lumo copies
// it, a blended, scissored, textured quad over it (the interface), and the
// swap. Marks the same phases as the program (LUMO_STARTUP_TRACE), so that
// the launch benchmark can start it in lumo's place: the difference is what
// lumo adds.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/eagl_context.h"
#include "platform/gl.h"
#include "platform/gl_window.h"
#include "platform/startup_trace.h"

namespace {

constexpr int kSide = 50;  // vertices a side, as the dome has
constexpr int kTextureSide = 512;

void draw_lit_mesh(GLuint framebuffer, int width, int height) {
    std::vector<float> vertices, normals, uvs;
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            vertices.insert(vertices.end(), {c / (kSide - 1.0f) - 0.5f, r / (kSide - 1.0f) - 0.5f, 0.1f});
            normals.insert(normals.end(), {0.0f, 0.0f, 1.0f});
            uvs.insert(uvs.end(), {c / (kSide - 1.0f), r / (kSide - 1.0f)});
        }
    }
    std::vector<unsigned short> indices;
    for (int r = 0; r + 1 < kSide; ++r) {
        for (int c = 0; c + 1 < kSide; ++c) {
            const auto v = static_cast<unsigned short>(r * kSide + c);
            indices.insert(indices.end(),
                           {v, static_cast<unsigned short>(v + 1), static_cast<unsigned short>(v + kSide),
                            static_cast<unsigned short>(v + 1), static_cast<unsigned short>(v + kSide + 1),
                            static_cast<unsigned short>(v + kSide)});
        }
    }
    const GLfloat white[] = {0.8f, 0.8f, 0.8f, 1.0f}, light[] = {-1.0f, -1.5f, 2.0f, 1.0f};
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 30.0f);
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 0.5, 0.5, -0.5, 0.1, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.5f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glNormalPointer(GL_FLOAT, 0, normals.data());
    glTexCoordPointer(2, GL_FLOAT, 0, uvs.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, indices.data());
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
}

// As Dear ImGui's OpenGL 2 renderer draws: blended, scissored, coloured vertices.
void draw_interface_quad(int width, int height) {
    const float xy[] = {10, 10, 200, 10, 200, 60, 10, 60};
    const float uv[] = {0, 0, 1, 0, 1, 1, 0, 1};
    const unsigned char rgba[] = {255, 255, 255, 180, 255, 255, 255, 180, 255, 255, 255, 180, 255, 255, 255, 180};
    const unsigned short quad[] = {0, 1, 2, 0, 2, 3};
    glViewport(0, 0, width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, xy);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, rgba);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, quad);
}

}  // namespace

int main() {
    lumo::startup_mark("main");
    std::string error;
    auto window = lumo::GLWindow::create(lumo::WindowOptions{}, &error);
    if (!window) {
        std::fprintf(stderr, "bare window: %s\n", error.c_str());
        return 1;
    }
    const lumo::ViewRect view = window->view_rect_pixels();
    int width = 0, height = 0;
    window->drawable_size_pixels(&width, &height);

    const std::vector<unsigned char> texels(static_cast<size_t>(kTextureSide) * kTextureSide * 4, 200);
    GLuint picture = 0, colour = 0, framebuffer = 0, depth = 0;
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, view.width, view.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glGenTextures(1, &picture);
    glBindTexture(GL_TEXTURE_2D, picture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureSide, kTextureSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, view.width, view.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    lumo::startup_mark("picture uploaded");

    draw_lit_mesh(framebuffer, view.width, view.height);
    lumo::startup_mark("mesh drawn");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    lumo::host_copy_frame_to_window(lumo::ViewFrame{framebuffer, colour, view.width, view.height}, view.x,
                                    height - view.y - view.height, width, height);
    lumo::startup_mark("frame copied");
    draw_interface_quad(width, height);
    lumo::startup_mark("interface drawn");
    window->swap();
    lumo::startup_mark("first swap");
    lumo::startup_mark("whole dome shown");  // it had no dome to wait for
    // Stays up until told to quit, as lumo does.
    for (SDL_Event event; SDL_WaitEvent(&event) && event.type != SDL_QUIT;) {
    }
    return 0;
}
