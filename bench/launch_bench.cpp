// Launch to first picture: the program started as a process (exec, dynamic
// linking and all), timed from just before the spawn to the end of its first
// swap, and on to the first picture of the whole dome (counter whole_dome_ms:
// the influence table's rows show as they are built). The program reports
// its start-up phases (LUMO_STARTUP_TRACE, platform/startup_trace.h); the
// benchmark's main prints what each took.
// The same for lumo_bare_window (bare_window.cpp), the window, context and
// kinds of drawing alone: the floor under lumo's start-up on this machine.
//
// LUMO_BENCH_PROGRAM names another lumo to launch (an older build, to
// compare in one run under the same load).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/startup_trace.h"

extern char** environ;

namespace {

double monotonic_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Mark {
    std::string phase;
    double at_ms = 0;  // since the spawn
    double cpu_ms = 0;  // the program's CPU time by then
};

constexpr const char* kFirstSwap = "first swap";
constexpr const char* kWholeDome = "whole dome shown";

double at(const std::vector<Mark>& marks, const char* phase) {
    for (const Mark& mark : marks)
        if (mark.phase == phase) return mark.at_ms;
    return 0;
}

// One launch, up to the whole dome on screen; then the program is told to
// quit and waited for (untimed). Empty when it never got there.
std::optional<std::vector<Mark>> launch_once(const std::vector<std::string>& arguments) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const double spawned = monotonic_ms();
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (failed != 0) {
        ::close(out[0]);
        return std::nullopt;
    }
    std::vector<Mark> marks;
    FILE* lines = ::fdopen(out[0], "r");
    char line[512];
    const size_t prefix = std::strlen(lumo::kStartupTracePrefix);
    while (lines != nullptr && std::fgets(line, sizeof line, lines) != nullptr) {
        if (std::strncmp(line, lumo::kStartupTracePrefix, prefix) != 0) continue;
        // "<phase words> <monotonic ms> <ms since main> <CPU ms>"
        std::istringstream fields(line + prefix);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.size() < 4) continue;
        Mark mark;
        for (size_t k = 0; k + 3 < words.size(); ++k) mark.phase += (k ? " " : "") + words[k];
        mark.at_ms = std::stod(words[words.size() - 3]) - spawned;
        mark.cpu_ms = std::stod(words.back());
        marks.push_back(mark);
        if (mark.phase == kWholeDome) break;
    }
    ::kill(pid, SIGTERM);
    if (lines != nullptr) std::fclose(lines);
    else ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (marks.empty() || marks.back().phase != kWholeDome || at(marks, kFirstSwap) <= 0) return std::nullopt;
    return marks;
}

// Summed over one benchmark's launches: each phase's wall and CPU time
// (since the mark before it) and when it ended (since the spawn).
struct Phase {
    std::string name;
    double wall_ms = 0, cpu_ms = 0, end_ms = 0;
};
struct Launches {
    std::string program;
    std::vector<Phase> phases;
    int count = 0;

    void add(const std::vector<Mark>& marks) {
        Mark previous;  // the spawn: no time, no CPU
        for (const Mark& mark : marks) {
            auto phase =
                std::find_if(phases.begin(), phases.end(), [&](const Phase& p) { return p.name == mark.phase; });
            if (phase == phases.end()) phase = phases.insert(phases.end(), Phase{mark.phase, 0, 0, 0});
            phase->wall_ms += mark.at_ms - previous.at_ms;
            phase->cpu_ms += mark.cpu_ms - previous.cpu_ms;
            phase->end_ms += mark.at_ms;
            previous = mark;
        }
        ++count;
    }
};
std::vector<Launches> g_launches;

void launch_to_first_swap(benchmark::State& state, std::vector<std::string> arguments) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("LUMO_STARTUP_TRACE", "1", 1);
    Launches launches;
    launches.program = arguments[0];
    double cpu_ms = 0, whole_dome_ms = 0;
    for (auto _ : state) {
        const std::optional<std::vector<Mark>> marks = launch_once(arguments);
        if (!marks) {
            state.SkipWithError("the program did not reach its first swap");
            break;
        }
        launches.add(*marks);
        const auto first_swap =
            std::find_if(marks->begin(), marks->end(), [](const Mark& m) { return m.phase == kFirstSwap; });
        cpu_ms += first_swap->cpu_ms;
        whole_dome_ms += at(*marks, kWholeDome);
        state.SetIterationTime(first_swap->at_ms / 1e3);
    }
    unsetenv("LUMO_STARTUP_TRACE");
    g_launches.push_back(launches);
    state.counters["cpu_ms"] = benchmark::Counter(cpu_ms, benchmark::Counter::kAvgIterations);
    state.counters["whole_dome_ms"] = benchmark::Counter(whole_dome_ms, benchmark::Counter::kAvgIterations);
}

void BM_LaunchToFirstSwap(benchmark::State& state) {
    std::string home = (std::filesystem::temp_directory_path() / "lumo-launch-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr) {
        state.SkipWithError("no temporary home folder");
        return;
    }
    const char* other = std::getenv("LUMO_BENCH_PROGRAM");
    launch_to_first_swap(state, {other != nullptr ? other : LUMO_PROGRAM, "--home", home});
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}
BENCHMARK(BM_LaunchToFirstSwap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_LaunchBareWindowToFirstSwap(benchmark::State& state) { launch_to_first_swap(state, {LUMO_BARE_WINDOW}); }
BENCHMARK(BM_LaunchBareWindowToFirstSwap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

// Called by the benchmarks' main after the run: the mean launch, by phase.
void print_launch_phases() {
    for (Launches launches : g_launches) {
        if (launches.count == 0) continue;
        const double n = launches.count;
        std::printf(
            "\n%s, mean of %d launches (ms; a phase runs from the mark before it, the first from the spawn;\n"
            "CPU is the whole process's, every thread):\n",
            std::filesystem::path(launches.program).filename().c_str(), launches.count);
        std::printf("  %-28s %8s %8s %8s\n", "phase", "wall", "CPU", "ends at");
        // In the order they end: some (the whole dome) come before or after others from launch to launch.
        std::sort(launches.phases.begin(), launches.phases.end(),
                  [](const Phase& a, const Phase& b) { return a.end_ms < b.end_ms; });
        for (const Phase& phase : launches.phases)
            std::printf("  %-28s %8.1f %8.1f %8.1f\n", phase.name.c_str(), phase.wall_ms / n, phase.cpu_ms / n,
                        phase.end_ms / n);
    }
}
