// The interface's cost per composition: steady, and in a frame where the
// window has changed size so the font is rasterised afresh (what a resize
// drag pays on each size it passes through).

#include <benchmark/benchmark.h>

#include <epoxy/gl.h>
#include <imgui.h>

#include <memory>

#include "platform/gl_window.h"
#include "platform/imgui_layer.h"

namespace {

using namespace lumo;

void interface_frame(ImGuiLayer& layer, double now) {
    layer.begin_frame(now);
    ImGui::Begin("panel");
    ImGui::Button("Save");
    ImGui::Text("Tilt: arrow keys");
    ImGui::End();
    layer.end_frame();
    glFinish();
}

void run(benchmark::State& state, bool resize_each_frame) {
    std::string error;
    auto window = GLWindow::create(WindowOptions{.headless = true}, &error);
    if (!window) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    const int height = static_cast<int>(state.range(0));
    SDL_SetWindowSize(window->sdl_window(), height * 2 / 3, height);
    ImGuiLayer layer(window.get(), read_interface_font());
    double now = 0;
    interface_frame(layer, now);
    bool other = false;
    for (auto _ : state) {
        if (resize_each_frame) {
            other = !other;
            const int h = other ? height + 30 : height;
            SDL_SetWindowSize(window->sdl_window(), h * 2 / 3, h);
        }
        interface_frame(layer, now += 0.05);
    }
}

void BM_InterfaceFrame(benchmark::State& state) { run(state, false); }
void BM_InterfaceFrameWithNewFontSize(benchmark::State& state) { run(state, true); }
BENCHMARK(BM_InterfaceFrame)->Arg(480)->Arg(960)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InterfaceFrameWithNewFontSize)->Arg(480)->Arg(960)->Unit(benchmark::kMillisecond);

}  // namespace
