// The undo history's memory: 30 picture changes, each a new 512 x 512
// picture as the picture browser or a drop gives, and 30 opened shape files
// whose pictures are as large as a shape file's can be (2048 x 2048), which
// the bound trims to the newest.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/change_history.h"

namespace {

using namespace lumo;

constexpr int kChanges = 30;

std::vector<std::shared_ptr<const Picture>> pictures(int side) {
    std::vector<std::shared_ptr<const Picture>> made;
    for (int k = 0; k < kChanges; ++k) {
        Picture picture(side, side);
        picture.pixel(0, 0)[0] = static_cast<uint8_t>(k);
        made.push_back(std::make_shared<const Picture>(std::move(picture)));
    }
    return made;
}

void record_all(ChangeHistory& history, ViewChange change, const std::vector<std::shared_ptr<const Picture>>& made) {
    const RestShape rest{};
    for (const auto& picture : made) history.record(change, rest, picture);
}

void BM_History30PictureChanges(benchmark::State& state) {
    const auto made = pictures(kTextureSide);
    std::size_t bytes = 0;
    int steps = 0;
    for (auto _ : state) {
        ChangeHistory history;
        record_all(history, ViewChange::picture, made);
        bytes = history.bytes();
        steps = history.undo_steps();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["history_bytes"] = static_cast<double>(bytes);
    state.counters["steps"] = steps;
}
BENCHMARK(BM_History30PictureChanges)->Unit(benchmark::kMillisecond);

}  // namespace

void print_history_memory() {
    std::printf("\nThe undo history (bound %.1f MB, at most %d steps):\n", ChangeHistory::kMaxBytes / 1e6,
                ChangeHistory::kMaxSteps);
    for (const auto& [label, side, change] :
         {std::tuple{"30 picture changes, 512 x 512:", kTextureSide, ViewChange::picture},
          std::tuple{"30 shape files, 2048 x 2048 pictures:", 2048, ViewChange::shape}}) {
        ChangeHistory history;
        record_all(history, change, pictures(side));
        std::printf("%-44s %10zu bytes (%.1f MB) in %d steps\n", label, history.bytes(), history.bytes() / 1e6,
                    history.undo_steps());
    }
}
