#pragma once
// For the application tests (they define LUMO_BINARY): the real program, run
// as a user would from a shell, with no display unless `arguments` asks for
// one, so that it never opens a window on the tester's screen.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace lumo::testing {

// Runs lumo with `arguments`, after the shell words `before` (an environment
// or a `timeout 60 `); its exit status (-1 if it did not exit) and, in
// `output`, everything it printed on stdout and stderr.
inline int run_lumo(const std::string& arguments, std::string* output, const std::string& before = "") {
    const std::string command =
        before + "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " LUMO_BINARY " " + arguments + " 2>&1";
    output->clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) *output += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lumo::testing
