#pragma once
// The view as the program draws it, on an offscreen GL context: a headless
// window, the compositor presenting into it, the dome's table built.

#include <memory>
#include <string>

#include "platform/compositor.h"
#include "platform/gl_window.h"
#include "render/eagl_view.h"
#include "platform/run_loop.h"

namespace lumo {

struct HeadlessScene {
    std::unique_ptr<GLWindow> window;
    RunLoop run_loop{RunLoop::ClockKind::virtual_time};
    std::unique_ptr<Compositor> compositor;
    std::unique_ptr<EAGLView> view;

    // False where there is no offscreen GL context.
    bool open(int pixel_ratio = 1) {
        std::string error;
        window = GLWindow::create(WindowOptions{.headless = true, .pixel_ratio = pixel_ratio}, &error);
        if (!window) return false;
        compositor = std::make_unique<Compositor>(window.get());
        view = EAGLView::initWithCoder(window.get(), &run_loop);
        if (!view) return false;
        view->eagl_context()->setPresenter(compositor.get());
        view->layoutSubviews();
        view->set_vertices();
        view->trans()->wait_for_table_build();
        return true;
    }
};

}  // namespace lumo
