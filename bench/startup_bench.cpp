// Start-up: from nothing to the first picture on screen, and to the whole
// dome once the tables are built, through the real application on a real
// clock (a real window where there is a display, SDL's offscreen one
// otherwise). Also what an interval costs at rest, when the draw is skipped.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdlib>
#include <memory>

#include "app/application.h"
#include <filesystem>
#include <string>

namespace {

using namespace lumo;

// A fresh home folder: nothing saved, nothing to list.
struct Home {
    Home() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~Home() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

std::unique_ptr<Application> start(const Home& home) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    AppOptions options;
    options.home = home.path.string();
    std::string error;
    auto app = Application::create(options, &error);
    if (app) app->launch();
    return app;
}

void BM_StartUpToFirstPicture(benchmark::State& state) {
    Home home;
    for (auto _ : state) {
        auto app = start(home);
        if (!app) {
            state.SkipWithError("no window or GL context");
            return;
        }
        while (app->frames_drawn() < 1) app->run_once();
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstPicture)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_StartUpToWholeDome(benchmark::State& state) {
    Home home;
    for (auto _ : state) {
        auto app = start(home);
        if (!app) {
            state.SkipWithError("no window or GL context");
            return;
        }
        long drawn = -1;
        while (drawn < 0 || app->frames_drawn() <= drawn) {
            app->run_once();
            if (drawn < 0 && app->view().trans()->initializing_index() < 0) drawn = app->frames_drawn();
        }
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToWholeDome)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// One interval of a surface at rest: the step and the comparison, no draw.
void BM_RestingInterval(benchmark::State& state) {
    Home home;
    auto app = start(home);
    if (!app) {
        state.SkipWithError("no window or GL context");
        return;
    }
    app->view().trans()->wait_for_table_build();
    app->view().setAccel2(-1.0);  // lying face up, as the smoothed sensor reads once settled
    for (int n = 0; n < 600; ++n) app->view().drawView();  // 30 s of simulated time: at rest
    const long drawn = app->frames_drawn();
    for (auto _ : state) app->view().drawView();
    // A surface at rest may still change a last bit now and then; those frames are drawn.
    state.counters["drawn"] = static_cast<double>(app->frames_drawn() - drawn);
}
BENCHMARK(BM_RestingInterval)->Unit(benchmark::kMicrosecond);

}  // namespace
