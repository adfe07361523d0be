// The simulation's costs: the table build against the plain reference build,
// one step, the sampling set-up and the coarse descent.

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "sim/lumo_transform.h"
#include "support/reference_table.h"

namespace {

using lumo::LUMOTransform;

std::unique_ptr<LUMOTransform> dome() {
    auto trans = std::make_unique<LUMOTransform>();
    trans->set_init_position_and_mass_at_startup(true);
    return trans;
}

void BM_TableBuildReference(benchmark::State& state) {
    auto trans = dome();
    std::vector<float> table(static_cast<size_t>(lumo::kVertexCount) * lumo::kVertexCount);
    for (auto _ : state) {
        lumo::testing::build_reference_table(trans->rest_shape(), table);
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_TableBuildReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The real build as the program runs it: started in the background while
// the main thread sleeps (between frames it waits for events). Asking again
// for the same rest shape keeps the finished build, so each iteration first
// stops it, untimed: every timed iteration is a whole build, and one that
// publishes anything short of every row and -1 fails the benchmark.
void BM_TableBuild(benchmark::State& state) {
    auto trans = dome();
    std::atomic<int> published{0};
    trans->table_builder().set_progress_hook(
        [&published](int32_t) { published.fetch_add(1, std::memory_order_relaxed); });
    for (auto _ : state) {
        state.PauseTiming();
        trans->stop_table_build();
        published.store(0, std::memory_order_relaxed);
        state.ResumeTiming();
        trans->start_table_build();
        trans->wait_for_table_build();
        if (published.load(std::memory_order_relaxed) != lumo::kVertexCount || trans->initializing_index() != -1) {
            state.SkipWithError("the build did no work: the table was not built afresh");
            break;
        }
    }
    state.counters["workers"] = trans->table_builder().worker_count();
}
BENCHMARK(BM_TableBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_Step(benchmark::State& state) {
    auto trans = dome();
    trans->init_distance();
    trans->push_surface_at({0.01f, 0.02f}, 1);
    for (auto _ : state) {
        trans->setAccelDirectionAt(0, 0.1f, -0.2f, -0.5f);
        trans->transform();
        benchmark::DoNotOptimize(trans->surface_vertices());
    }
}
BENCHMARK(BM_Step)->Unit(benchmark::kMicrosecond);

void BM_SamplingSetUp(benchmark::State& state) {
    auto trans = dome();
    for (auto _ : state) trans->set_init_position_and_mass_at_startup(false);
}
BENCHMARK(BM_SamplingSetUp)->Unit(benchmark::kMillisecond);

void BM_CoarseDescent(benchmark::State& state) {
    auto trans = dome();
    float x = -0.12f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trans->cur_closest_index_at({x, 0.05f}));
        x = x > 0.12f ? -0.12f : x + 0.001f;
    }
}
BENCHMARK(BM_CoarseDescent)->Unit(benchmark::kNanosecond);

}  // namespace
