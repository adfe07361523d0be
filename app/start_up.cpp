#include "app/start_up.h"

#include <SDL.h>

#include <algorithm>
#include <thread>

#include "app/host_row_farm.h"
#include "platform/imgui_layer.h"
#include "shape/shape_names.h"

namespace lumo {

namespace {

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr std::launch kReading = std::launch::deferred;  // no threads: read when first asked
#else
constexpr std::launch kReading = std::launch::async;
#endif

// All cores but one, which the main thread (and under X11 the X server)
// needs while the window opens. On two cores a second worker made the first
// picture about 20 ms later under X11 and no sooner without X; one alone
// still finishes the table before the first frame.
int workers_beside_main_thread() {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::max(1, cores - 1);
}

}  // namespace

StartUp::StartUp(std::filesystem::path documents) : surface_(EAGLView::default_surface()) {
    surface_->table_builder().set_row_farm(host_row_farm());
    surface_->start_table_build(workers_beside_main_thread());
    reading_ = std::async(kReading, [documents = std::move(documents)] {
        remove_stale_shape_temporaries(documents);  // a folder listing: off the frame's thread
        Files files{EAGLView::default_picture(), read_interface_font()};
        if (kReading == std::launch::async) SDL_TLSCleanup();  // what decoding left in SDL's data for this thread
        return files;
    });
}

StartUp::Files& StartUp::files() {
    if (!read_) {
        files_ = reading_.get();
        read_ = true;
    }
    return files_;
}

// The window is open: the build, if still running, may have every core.
ViewContents StartUp::take_view_contents() {
    surface_->table_builder().set_worker_limit(0);
    return ViewContents{std::move(surface_), std::move(files().picture)};
}

std::vector<char> StartUp::take_font_file() { return std::move(files().font); }

}  // namespace lumo
