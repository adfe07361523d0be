#pragma once
// A drawing view on a real offscreen OpenGL context (Mesa without a display),
// and reading back what it drew.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gl_window.h"
#include "render/eagl_view.h"

namespace lumo::testing {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool is_clear_colour() const { return std::abs(r - 128) <= 1 && std::abs(g - 128) <= 1 && std::abs(b - 128) <= 1; }
};

class OffscreenView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        window_ = GLWindow::create(WindowOptions{.headless = true}, &error).release();
        ASSERT_NE(window_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete window_;
        window_ = nullptr;
    }
    void SetUp() override {
        view_ = EAGLView::initWithCoder(window_, &run_loop_);
        ASSERT_NE(view_, nullptr);
        view_->layoutSubviews();
    }
    void TearDown() override { view_.reset(); }

    // Tables built: the step runs and every cell is drawn.
    void build_tables() { view_->trans()->init_distance(); }
    // Colour at (x, y) in view pixels from the top-left, from the view's framebuffer.
    Rgb pixel(int x, int y) {
        unsigned char p[4] = {};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, view_->frame().framebuffer);
        glReadPixels(x, view_->frame().height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    // Pixel of a point in surface coordinates (y grows down the view).
    Rgb pixel_at_surface(float sx, float sy) {
        const float px = (sx + 0.12666667f) / 0.25333334f * static_cast<float>(view_->frame().width);
        const float py = (sy + 0.19f) / 0.38f * static_cast<float>(view_->frame().height);
        return pixel(static_cast<int>(px), static_cast<int>(py));
    }

    static GLWindow* window_;
    RunLoop run_loop_{RunLoop::ClockKind::virtual_time};
    std::unique_ptr<EAGLView> view_;
};

inline GLWindow* OffscreenView::window_ = nullptr;

}  // namespace lumo::testing
