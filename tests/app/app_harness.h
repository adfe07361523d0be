#pragma once
// The whole application, headless on a virtual clock, driven through the
// same SDL event path as real input.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <algorithm>
#include <string>
#include <vector>

#include "app/application.h"
#include "support/temp_folder.h"

namespace lumo::testing {

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = scratch_.path();
        options_.headless = true;
        options_.home = home_.string();
        EAGLView::last_touch_slot = 0;  // as at program start
    }
    void TearDown() override { app_.reset(); }
    // Creates and launches; the tables are built before the first frame.
    void launch() {
        std::string error;
        app_ = Application::create(options_, &error);
        ASSERT_NE(app_, nullptr) << error;
        app_->launch();
        app_->run_once();
    }
    Application& app() { return *app_; }
    EAGLView& view() { return app_->view(); }
    LUMOTransform& trans() { return *app_->view().trans(); }
    void turn() { app_->run_once(); }
    // What the window shows now, read back from its framebuffer, top row first.
    Picture window_picture() {
        Compositor& compositor = app_->compositor();
        compositor.capture_next_composition();
        compositor.recompose();
        Picture shot(compositor.captured_width(), compositor.captured_height());
        const std::vector<unsigned char>& pixels = compositor.captured_pixels();
        if (!shot.empty() && pixels.size() == static_cast<size_t>(shot.width()) * shot.height() * 4)
            std::copy(pixels.begin(), pixels.end(), shot.pixel(0, 0));  // opaque: premultiplied already
        return shot;
    }
    void finger(Uint32 type, int id, float x, float y) {
        app_->push_finger(type, id, x, y);
        turn();
    }
    void tap(float x, float y, double hold_seconds = 0.1) {
        finger(SDL_FINGERDOWN, 9, x, y);
        app_->run_for(hold_seconds);
        finger(SDL_FINGERUP, 9, x, y);
    }
    void click(float x, float y) {
        app_->push_mouse(SDL_MOUSEMOTION, x, y);
        app_->push_mouse(SDL_MOUSEBUTTONDOWN, x, y);
        app_->run_for(0.15);  // the interface is drawn a few times in between
        app_->push_mouse(SDL_MOUSEBUTTONUP, x, y);
        app_->run_for(0.15);
    }
    // The centre of a panel control, in view points (the view fills the window).
    void click_control(ControlPanel::Control control) {
        app_->run_for(0.2);  // the panel has found its place and size
        const PanelRect r = app_->ui().panel()->rect_of(control);
        ASSERT_GT(r.width, 0.0f) << "control not drawn";
        click(r.x + r.width / 2, r.y + r.height / 2);
    }
    int slots_taken() const {
        int n = 0;
        for (int j = 1; j <= 4; ++j) n += app_->view().touch_slot_held(j);
        return n;
    }

    TempFolder scratch_;
    std::filesystem::path home_;
    AppOptions options_;
    std::unique_ptr<Application> app_;
};

}  // namespace lumo::testing
