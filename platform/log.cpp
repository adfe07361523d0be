#include "platform/log.h"

#include <cstdarg>
#include <cstdio>

namespace lumo {

void log_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace lumo
