// Recording a clip: the hand-off on the main thread, each encoder's time per
// frame against the interval its frames last (33.3 ms for the video, 50 ms
// for the GIF), and a 20 s clip fed in real time: frames dropped and memory.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include "clip/clip_recorder.h"
#include "clip/frame_queue.h"
#include "clip/gif_encoder.h"
#include "clip/mp4_encoder.h"
#include "support/clip_frames.h"

namespace {

using namespace lumo;
using Clock = std::chrono::steady_clock;

constexpr int kDistinctFrames = 24;  // cycled, so that every frame encoded differs from the one before

const std::vector<std::vector<uint8_t>>& frames_of(int width, int height) {
    static std::vector<std::vector<uint8_t>> frames;
    static int made_width = 0, made_height = 0;
    if (made_width != width || made_height != height) {
        frames.clear();
        for (int i = 0; i < kDistinctFrames; ++i) frames.push_back(testing::clip_frame(width, height, i));
        made_width = width, made_height = height;
    }
    return frames;
}

std::filesystem::path scratch_file(const char* name) {
    return std::filesystem::temp_directory_path() / ("lumo_clip_bench_" + std::to_string(::getpid()) + name);
}

// The main thread's share of a recorded frame after the read-back: one copy
// into a free slot (rows flipped, as glReadPixels gives them bottom first).
void BM_ClipHandOff640x960(benchmark::State& state) {
    const int width = 640, height = 960;
    FrameQueue queue(width, height, 8, WhenFull::wait);
    std::thread consumer([&] {
        while (QueuedFrame* frame = queue.take()) queue.give_back(frame);
    });
    const auto& frames = frames_of(width, height);
    std::size_t i = 0;
    for (auto _ : state) queue.offer(frames[i++ % frames.size()], RowOrder::bottom_first, 0);
    queue.close();
    consumer.join();
}
BENCHMARK(BM_ClipHandOff640x960)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClipMp4Frame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const int repeats = static_cast<int>(state.range(2));
    const auto& frames = frames_of(width, height);
    const auto path = scratch_file(".mp4");
    Mp4Encoder encoder;
    std::string error;
    if (!encoder.open(path, width, height, &error)) state.SkipWithError(error.c_str());
    std::size_t i = 0;
    for (auto _ : state) encoder.add(frames[i++ % frames.size()], repeats, &error);
    encoder.finish(&error);
    state.SetItemsProcessed(state.iterations() * repeats);
    state.counters["bytes_per_frame"] =
        static_cast<double>(std::filesystem::file_size(path)) / static_cast<double>(state.iterations() * repeats);
    std::filesystem::remove(path);
}
// {width, height, repeats}: repeats encode one picture that many times, as
// while the dome rests.
BENCHMARK(BM_ClipMp4Frame)
    ->Args({320, 480, 1})
    ->Args({640, 960, 1})
    ->Args({640, 960, 30})
    ->Iterations(120)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ClipGifFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const int repeats = static_cast<int>(state.range(2));
    const auto& frames = frames_of(width, height);
    std::size_t bytes = 0;
    GifEncoder encoder(width, height, [&](std::span<const uint8_t> data) {
        bytes += data.size();
        return true;
    });
    std::string error;
    std::size_t i = 0;
    for (auto _ : state) encoder.add(frames[i++ % frames.size()], repeats, &error);
    encoder.finish(&error);
    state.SetItemsProcessed(state.iterations() * repeats);
    state.counters["bytes_per_frame"] = static_cast<double>(bytes) / static_cast<double>(state.iterations() * repeats);
}
BENCHMARK(BM_ClipGifFrame)
    ->Args({320, 480, 1})
    ->Args({640, 960, 1})
    ->Args({640, 960, 20})
    ->Iterations(80)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

long long resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

struct RealTimeFigures {
    ClipResult result;
    long long peak_added = 0;  // resident memory above what the process held before, bytes
    double finish_seconds = 0;  // from stop to the files in place
    double worst_offer_ms = 0;  // the longest hand-off
};

// Presents `per_second` frames a second for `seconds` of real time, as the
// program would, and records them with the interface's drop policy.
RealTimeFigures record_in_real_time(int width, int height, int per_second, double seconds) {
    const auto& frames = frames_of(width, height);
    const auto folder = scratch_file("_clips");
    std::filesystem::create_directories(folder);
    RealTimeFigures figures;
    const long long before = resident_bytes();
    std::atomic<bool> sampling{true};
    std::atomic<long long> peak{before};
    std::thread sampler([&] {
        while (sampling) {
            const long long now = resident_bytes();
            if (now > peak) peak = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    {
        ClipRequest request{width, height, folder, "clip", WhenFull::drop};
        ClipRecorder recorder(request);
        const auto start = Clock::now();
        const int count = static_cast<int>(seconds * per_second);
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / per_second));
            const auto offered = Clock::now();
            recorder.offer(frames[static_cast<std::size_t>(i) % frames.size()], RowOrder::bottom_first,
                           std::chrono::duration<double>(offered - start).count());
            figures.worst_offer_ms = std::max(
                figures.worst_offer_ms, std::chrono::duration<double, std::milli>(Clock::now() - offered).count());
        }
        const auto stopped = Clock::now();
        recorder.stop(std::chrono::duration<double>(stopped - start).count());
        for (;;) {
            if (auto result = recorder.poll(0)) {
                figures.result = *result;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        figures.finish_seconds = std::chrono::duration<double>(Clock::now() - stopped).count();
    }
    sampling = false;
    sampler.join();
    figures.peak_added = peak - before;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return figures;
}

}  // namespace

void print_clip_figures() {
    std::printf(
        "\nA clip fed in real time, 60 presented frames a second, frames dropped when the encoder is behind:\n");
    struct Row {
        int width, height;
        double seconds;
    };
    for (const Row row : {Row{320, 480, 20}, Row{640, 960, 20}}) {
        const RealTimeFigures f = record_in_real_time(row.width, row.height, 60, row.seconds);
        std::printf(
            "%d x %d, %.0f s: %s; %d of %d presented frames dropped; video %d, GIF %d frames;\n"
            "    finished %.2f s after stop; longest hand-off %.2f ms; peak memory added %.1f MB (budget 80)\n",
            row.width, row.height, row.seconds, f.result.saved() ? "saved" : f.result.error.c_str(),
            f.result.frames_dropped, static_cast<int>(row.seconds * 60), f.result.video_frames, f.result.gif_frames,
            f.finish_seconds, f.worst_offer_ms, f.peak_added / (1024.0 * 1024.0));
    }
}
