#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "platform/host.h"

namespace lumo {

void log_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

namespace {
std::function<void(const char*)> g_diagnostic_sink;  // main thread only, as the diagnostics
}  // namespace

void set_diagnostic_sink(std::function<void(const char* line)> sink) { g_diagnostic_sink = std::move(sink); }

void log_diagnostic(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (g_diagnostic_sink) g_diagnostic_sink(line);
    else host_write_diagnostic(line);
}

}  // namespace lumo
