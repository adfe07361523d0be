#include "platform/imgui_renderer.h"

#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

namespace lumo {

void imgui_renderer_init() { ImGui_ImplOpenGL2_Init(); }
void imgui_renderer_shutdown() { ImGui_ImplOpenGL2_Shutdown(); }
void imgui_renderer_new_frame() { ImGui_ImplOpenGL2_NewFrame(); }
void imgui_renderer_draw(ImDrawData* data) { ImGui_ImplOpenGL2_RenderDrawData(data); }
void imgui_renderer_forget_font() { ImGui_ImplOpenGL2_DestroyFontsTexture(); }

}  // namespace lumo
