#include "platform/startup_trace.h"

#include <time.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lumo {

namespace {

double milliseconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The phases marked so far: each is reported the first time only.
bool seen_before(const char* phase) {
    static std::array<const char*, 64> seen{};
    static size_t count = 0;
    for (size_t k = 0; k < count; ++k)
        if (std::strcmp(seen[k], phase) == 0) return true;
    if (count < seen.size()) seen[count++] = phase;
    return false;
}

}  // namespace

void startup_mark(const char* phase) {
    static const bool enabled = std::getenv("LUMO_STARTUP_TRACE") != nullptr;
    if (!enabled || seen_before(phase)) return;
    static const double first = milliseconds(CLOCK_MONOTONIC);
    const double now = milliseconds(CLOCK_MONOTONIC);
    std::fprintf(stderr, "%s%s %.3f %.3f %.3f\n", kStartupTracePrefix, phase, now, now - first,
                 milliseconds(CLOCK_PROCESS_CPUTIME_ID));
    std::fflush(stderr);
}

}  // namespace lumo
