// lumo: a picture on a soft, jelly-like dome that fingers, the mouse and
// tilting push around.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "app/options.h"

namespace {

// An explicit SDL driver counts as a display: the user asked for it.
bool display_available() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = lumo::parse_options(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "lumo: %s\n%s", error.c_str(), lumo::usage_text());
        return 2;
    }
    if (options->help) {
        std::fputs(lumo::usage_text(), stdout);
        return 0;
    }
    if (!options->headless && !display_available()) {
        std::fprintf(stderr, "lumo: no display (DISPLAY and WAYLAND_DISPLAY are unset); use --headless to run without one\n");
        return 2;
    }
    bool bad_input = false;
    auto app = lumo::Application::create(*options, &error, &bad_input);
    if (!app) {
        std::fprintf(stderr, "lumo: %s\n", error.c_str());
        return bad_input ? 2 : 1;
    }
    app->launch();
    return options->headless ? app->run_headless() : app->run();
}
