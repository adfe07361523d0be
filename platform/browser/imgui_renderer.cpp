#include "platform/imgui_renderer.h"

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

namespace lumo {

// GLSL ES 1.00 runs on WebGL 1 and 2 alike.
void imgui_renderer_init() { ImGui_ImplOpenGL3_Init("#version 100"); }
void imgui_renderer_shutdown() { ImGui_ImplOpenGL3_Shutdown(); }
void imgui_renderer_new_frame() { ImGui_ImplOpenGL3_NewFrame(); }
void imgui_renderer_draw(ImDrawData* data) { ImGui_ImplOpenGL3_RenderDrawData(data); }
void imgui_renderer_forget_font() { ImGui_ImplOpenGL3_DestroyFontsTexture(); }

}  // namespace lumo
