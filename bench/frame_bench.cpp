// One whole frame (step, normals, draw, present) and the picture fit and
// upload of a photo-sized picture, on a real offscreen GL context.

#include <benchmark/benchmark.h>

#include <memory>

#include "headless_scene.h"

namespace {

using namespace lumo;

void BM_WholeFrame(benchmark::State& state) {
    HeadlessScene scene;
    if (!scene.open()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    scene.view->trans()->push_surface_at({0.01f, 0.02f}, 1);
    for (auto _ : state) {
        scene.view->drawView();
        glFinish();
    }
}
BENCHMARK(BM_WholeFrame)->Unit(benchmark::kMillisecond);

void BM_FitAndUpload4000x3000(benchmark::State& state) {
    HeadlessScene scene;
    if (!scene.open()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    Picture photo(4000, 3000);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            uint8_t* p = photo.pixel(x, y);
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = static_cast<uint8_t>(x ^ y),
            p[3] = 255;
        }
    const auto shared = std::make_shared<const Picture>(std::move(photo));
    for (auto _ : state) {
        scene.view->load_texture(shared);
        glFinish();
    }
}
BENCHMARK(BM_FitAndUpload4000x3000)->Unit(benchmark::kMillisecond);

}  // namespace
