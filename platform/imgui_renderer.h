#pragma once
// Draws Dear ImGui's output with the host's OpenGL: the fixed-function
// renderer on the desktop, the OpenGL ES one in the browser. Each saves and
// restores the GL state it touches.

struct ImDrawData;

namespace lumo {

void imgui_renderer_init();
void imgui_renderer_shutdown();
void imgui_renderer_new_frame();
void imgui_renderer_draw(ImDrawData* data);
// The font atlas changed: its texture is made again at the next frame.
void imgui_renderer_forget_font();

}  // namespace lumo
