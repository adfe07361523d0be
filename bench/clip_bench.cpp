// Recording a clip: the main thread's share of each recorded frame (the
// read-back of the view's framebuffer and the hand-off), each encoder's
// time per frame against the interval its frames last (33.3 ms for the
// video, 50 ms for the GIF), and a 20 s clip fed in real time: frames
// dropped and memory.

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
#include "clip/view_readback.h"
#include "headless_scene.h"
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

// The main thread's cost of a recorded frame at 640 x 960 (a 320 x 480 view
// at 2 pixels a point): the view's framebuffer read back, and the pixels
// copied into a free slot, the encoder's side a thread that gives each
// frame straight back. The drawing is not timed. Args: {mode, drawn}: mode
// 0 reads through pixel-buffer objects, 1 with a plain glReadPixels; drawn 1
// waits for the frame's drawing to end first (glFinish), so only the
// recording's own work is timed; drawn 0 times it from the moment the frame
// is handed over, which with a software renderer (Mesa's llvmpipe) includes
// waiting for the rasterizer threads, a wait the window's copy and swap make
// anyway.
void BM_ClipMainThread640x960(benchmark::State& state) {
    const auto mode = state.range(0) == 0 ? ViewReadback::Mode::pixel_buffer : ViewReadback::Mode::direct;
    const bool drawn = state.range(1) == 1;
    HeadlessScene scene;
    if (!scene.open(2)) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    EAGLView* view = scene.view.get();
    const ViewFrame frame = view->frame();
    if (frame.width != 640 || frame.height != 960) {
        state.SkipWithError("the view is not 640 x 960");
        return;
    }
    FrameQueue queue(frame.width, frame.height, 8, WhenFull::drop);
    std::thread consumer([&] {
        while (QueuedFrame* taken = queue.take()) queue.give_back(taken);
    });
    ViewReadback readback(frame.width, frame.height, mode);
    const ViewReadback::Take take = [&](std::span<const uint8_t> rgba, double time) {
        queue.offer(rgba, RowOrder::bottom_first, time);
    };
    double time = 0;
    for (auto _ : state) {
        // A new frame each time, drawn as the view draws it; then its read-back and hand-off.
        view->trans()->push_surface_at({0.01f * static_cast<float>(static_cast<int>(time * 20) % 5), 0.02f}, 1);
        view->render_frame();
        glBindFramebuffer(GL_FRAMEBUFFER, frame.framebuffer);
        if (drawn) glFinish();
        const auto start = Clock::now();
        readback.read(frame, time, take);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        glFinish();  // the window's copy of this frame, untimed
        time += 1.0 / 60;
    }
    readback.flush(take);
    queue.close();
    consumer.join();
    state.counters["dropped"] = queue.dropped();
}
BENCHMARK(BM_ClipMainThread640x960)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// A whole frame at 640 x 960 as the program makes it (the view drawn, the
// compositor's copy into the window, the swap), with the frame read back and
// handed off as the recorder does (arg 1: the renderer's best read-back
// mode) or not (arg 0): the difference is what recording costs the main
// thread per frame.
class BenchTap : public FrameTap {
public:
    BenchTap(ViewReadback* readback, FrameQueue* queue) : readback_(readback), queue_(queue) {}
    void view_frame_drawn(const ViewFrame& frame) override {
        readback_->read(frame, time_, [this](std::span<const uint8_t> rgba, double time) {
            queue_->offer(rgba, RowOrder::bottom_first, time);
        });
        time_ += 1.0 / 60;
    }
    void view_frame_shown(const ViewFrame&, const ViewRect&) override {}

private:
    ViewReadback* readback_;
    FrameQueue* queue_;
    double time_ = 0;
};

void BM_ClipWholeFrame640x960(benchmark::State& state) {
    HeadlessScene scene;
    if (!scene.open(2)) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    EAGLView* view = scene.view.get();
    const ViewFrame frame = view->frame();
    FrameQueue queue(frame.width, frame.height, 8, WhenFull::drop);
    std::thread consumer([&] {
        while (QueuedFrame* taken = queue.take()) queue.give_back(taken);
    });
    ViewReadback readback(frame.width, frame.height, ViewReadback::best_mode());
    BenchTap tap(&readback, &queue);
    if (state.range(0) == 1) scene.compositor->set_frame_tap(&tap);
    int i = 0;
    for (auto _ : state) {
        view->trans()->push_surface_at({0.01f * static_cast<float>(i++ % 5), 0.02f}, 1);
        view->render_frame();
    }
    scene.compositor->set_frame_tap(nullptr);
    queue.close();
    consumer.join();
}
BENCHMARK(BM_ClipWholeFrame640x960)->Arg(0)->Arg(1)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

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
        ClipRequest request;
        request.width = width, request.height = height, request.folder = folder, request.stem = "clip";
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
