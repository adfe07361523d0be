#pragma once
// Diagnostic lines for the user's terminal: one line each on stderr.

namespace lumo {

void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace lumo
