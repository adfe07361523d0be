// Runs every benchmark, then prints the ratios between pairs measured in this run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

// Remembers each benchmark's mean real time per iteration, in nanoseconds,
// and why those that failed did: a failed run's time measures nothing.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string name = base_name(run.benchmark_name());
            if (run.error_occurred) {
                failures[name] = run.error_message;
                times.erase(name);
            } else if (run.iterations > 0 && failures.count(name) == 0) {
                times[name] = run.GetAdjustedRealTime() * to_ns(run.time_unit);
                cpu_times[name] = run.GetAdjustedCPUTime() * to_ns(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // "BM_X/640/960/min_time:2.000/real_time" -> "BM_X/640/960": the arguments stay.
    static std::string base_name(const std::string& name) {
        std::string kept;
        std::size_t from = 0;
        while (from <= name.size()) {
            const std::size_t to = std::min(name.find('/', from), name.size());
            const std::string part = name.substr(from, to - from);
            if (part.find(':') == std::string::npos && part != "real_time" && part != "manual_time")
                kept += (kept.empty() ? "" : "/") + part;
            from = to + 1;
        }
        return kept;
    }
    static double to_ns(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kSecond: return 1e9;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kMicrosecond: return 1e3;
            default: return 1.0;
        }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpu_times;  // the benchmark's own thread's
    std::map<std::string, std::string> failures;
};

void print_ratio(const RecordingReporter& r, const char* label, const std::string& slow, const std::string& fast) {
    for (const std::string& name : {slow, fast}) {
        const auto failed = r.failures.find(name);
        if (failed != r.failures.end()) {
            std::printf("%-44s no ratio: %s failed (%s)\n", label, name.c_str(), failed->second.c_str());
            return;
        }
    }
    const auto s = r.times.find(slow), f = r.times.find(fast);
    if (s == r.times.end() || f == r.times.end() || f->second <= 0) return;
    std::printf("%-44s %10.3f ms vs %10.3f ms: %.2fx\n", label, s->second / 1e6, f->second / 1e6,
                s->second / f->second);
}

void print_share(const RecordingReporter& r, const char* label, const std::string& name, double budget_ns) {
    const auto it = r.times.find(name);
    if (it == r.times.end()) return;
    if (it->second < 1e4) {
        std::printf("%-44s %10.1f ns = %.5f%% of a 50 ms frame interval\n", label, it->second,
                    100.0 * it->second / budget_ns);
    } else {
        std::printf("%-44s %10.3f ms = %.1f%% of a 50 ms frame interval\n", label, it->second / 1e6,
                    100.0 * it->second / budget_ns);
    }
}

// A benchmark's time per iteration over `per`, in milliseconds.
void print_time(const RecordingReporter& r, const char* label, const std::string& name, int per = 1) {
    const auto it = r.times.find(name);
    if (it != r.times.end()) std::printf("%-44s %10.3f ms\n", label, it->second / 1e6 / per);
}

// The time the benchmark's own thread spent on the CPU per iteration, in
// milliseconds: what a main thread pays, whatever other processes take.
void print_cpu_time(const RecordingReporter& r, const char* label, const std::string& name) {
    const auto it = r.cpu_times.find(name);
    if (it != r.cpu_times.end()) std::printf("%-44s %10.3f ms of the main thread's time\n", label, it->second / 1e6);
}

}  // namespace

#ifdef LUMO_PICTURE_BENCH
void print_picture_memory();
void print_launch_phases();
void print_history_memory();
#endif
#ifdef LUMO_CLIP_BENCH
void print_clip_figures();
#endif

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nMeasured in this run:\n");
    print_ratio(reporter, "table build, reference / real:", "BM_TableBuildReference", "BM_TableBuild");
    const double frame = 50e6;
    print_share(reporter, "simulation step:", "BM_Step", frame);
    print_share(reporter, "sampling set-up (fix):", "BM_SamplingSetUp", frame);
    print_share(reporter, "coarse descent:", "BM_CoarseDescent", frame);
    print_share(reporter, "whole frame (step, normals, draw, present):", "BM_WholeFrame", frame);
    print_share(reporter, "fit and upload of a 4000 x 3000 photo:", "BM_FitAndUpload4000x3000", frame);
    print_share(reporter, "an interval at rest (step, no draw):", "BM_RestingInterval", frame);
    print_ratio(reporter, "whole frame / interval at rest:", "BM_WholeFrame", "BM_RestingInterval");
    for (const char* name : {"BM_LaunchToFirstSwap", "BM_LaunchBareWindowToFirstSwap", "BM_StartUpToFirstPicture",
                             "BM_StartUpToWholeDome"}) {
        const auto it = reporter.times.find(name);
        if (it != reporter.times.end()) std::printf("%-44s %10.1f ms\n", name + 3, it->second / 1e6);
    }
    std::printf("\nChoosing a picture until it lies on the dome (old / now; goal for the JPEG: under 150 ms):\n");
    print_ratio(reporter, "JPEG 6000 x 4000:", "BM_DomeOldJpeg6000x4000", "BM_DomeNewJpeg6000x4000");
    print_ratio(reporter, "JPEG 4000 x 3000:", "BM_DomeOldJpeg4000x3000", "BM_DomeNewJpeg4000x3000");
    print_ratio(reporter, "PNG 4000 x 3000:", "BM_DomeOldPng4000x3000", "BM_DomeNewPng4000x3000");
    print_ratio(reporter, "PNG 8192 x 8192:", "BM_DomeOldPng8192x8192", "BM_DomeNewPng8192x8192");
#ifdef LUMO_PICTURE_BENCH
    print_launch_phases();
    print_picture_memory();
    print_history_memory();
#endif
    std::printf("\nRecording a clip (per frame; goals: hand-off 1 ms, video 33.3 ms, GIF 50 ms):\n");
    print_time(reporter, "hand-off of a 640 x 960 frame:", "BM_ClipHandOff640x960");
    print_time(reporter, "read-back + hand-off, 640 x 960, pixel buffers:", "BM_ClipMainThread640x960/0/1");
    print_time(reporter, "read-back + hand-off, 640 x 960, glReadPixels:", "BM_ClipMainThread640x960/1/1");
    print_time(reporter, "  the same from the hand-over, pixel buffers:", "BM_ClipMainThread640x960/0/0");
    print_time(reporter, "  the same from the hand-over, glReadPixels:", "BM_ClipMainThread640x960/1/0");
    print_cpu_time(reporter, "whole frame, 640 x 960, not recording:", "BM_ClipWholeFrame640x960/0");
    print_cpu_time(reporter, "whole frame, 640 x 960, recording:", "BM_ClipWholeFrame640x960/1");
    print_time(reporter, "video frame, 320 x 480:", "BM_ClipMp4Frame/320/480/1");
    print_time(reporter, "video frame, 640 x 960:", "BM_ClipMp4Frame/640/960/1");
    print_time(reporter, "video frame, 640 x 960, repeated (x30):", "BM_ClipMp4Frame/640/960/30", 30);
    print_time(reporter, "GIF frame, 320 x 480:", "BM_ClipGifFrame/320/480/1");
    print_time(reporter, "GIF frame, 640 x 960:", "BM_ClipGifFrame/640/960/1");
    print_time(reporter, "GIF frame, 640 x 960, repeated (x20):", "BM_ClipGifFrame/640/960/20", 20);
#ifdef LUMO_CLIP_BENCH
    print_clip_figures();
#endif
    return 0;
}
