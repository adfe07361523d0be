// lumo: a picture on a soft, jelly-like dome that fingers, the mouse and
// tilting push around.

#include <csignal>
#include <cstdio>
#include <string>

#include "app/application.h"
#include "app/options.h"
#include "platform/host.h"
#include "platform/startup_trace.h"

int main(int argc, char** argv) {
    lumo::startup_mark("main");
    // Past a file-size limit (ulimit -f) a write fails with EFBIG instead of
    // the signal ending the program: every write checks its result, so a
    // save says why it failed and leaves nothing behind. Ignored for the
    // whole process, every thread's writes alike (a disposition is not per
    // thread; the clip recorder's own block stays for code without this main).
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    const auto options = lumo::parse_options(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "lumo: %s\n%s", error.c_str(), lumo::usage_text());
        return 2;
    }
    if (options->version) {
        std::fputs(lumo::version_text(), stdout);
        return 0;
    }
    if (options->help) {
        std::fputs(lumo::usage_text(), stdout);
        return 0;
    }
    if (!options->headless && !lumo::host_display_available()) {
        std::fprintf(stderr,
                     "lumo: no display (DISPLAY and WAYLAND_DISPLAY are unset); use --headless to run without one\n");
        return 2;
    }
    bool bad_input = false;
    auto app = lumo::Application::create(*options, &error, &bad_input);
    if (!app) {
        std::fprintf(stderr, "lumo: %s\n", error.c_str());
        return bad_input ? 2 : 1;
    }
    app->launch();
    if (options->headless) return app->run_headless();
    return lumo::Application::run(std::move(app));
}
