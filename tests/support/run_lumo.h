#pragma once
// For the application tests (they define LUMO_BINARY): the real program, run
// as a user would from a shell, with no display unless `arguments` asks for
// one, so that it never opens a window on the tester's screen.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace lumo::testing {

// Runs a shell command; its exit status (-1 if it did not exit) and, in
// `output`, everything it printed on stdout and stderr.
inline int run_command(const std::string& command, std::string* output) {
    output->clear();
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) *output += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs lumo with `arguments`, after the shell words `before` (an environment
// or a `timeout 60 `).
inline int run_lumo(const std::string& arguments, std::string* output, const std::string& before = "") {
    return run_command(before + "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " LUMO_BINARY " " + arguments,
                       output);
}

// Runs lumo in a real X window on a 1600 x 1000 Xvfb screen of its own, with
// the environment words `environment` (NAME=value ...).
inline int run_lumo_on_x(const std::string& arguments, std::string* output, const std::string& environment = "") {
    return run_command("xvfb-run -a -s '-screen 0 1600x1000x24' env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                           environment + " " LUMO_BINARY " " + arguments,
                       output);
}

}  // namespace lumo::testing
