#pragma once
// Lines for the user's terminal, one each on stderr: what went wrong that the
// user should see on the command line. Diagnostics that are no business of
// theirs ("view loaded.") go to the system's log instead.

#include <functional>

namespace lumo {

void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One line to the host's log (the desktop's journal at debug level, the
// browser's console), never the terminal.
void log_diagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Where diagnostics go instead of the host's log (tests read them); an
// empty function for the host's log again.
void set_diagnostic_sink(std::function<void(const char* line)> sink);

}  // namespace lumo
