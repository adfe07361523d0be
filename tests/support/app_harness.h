#pragma once
// The whole application, headless on a virtual clock, driven through the
// same SDL event path as real input.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "platform/host.h"
#include "support/drawn_items.h"
#include "support/scoped_environment.h"
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
    // Until the work beside the frames (a shape file read or encoded) is done
    // and answered, as a headless run waits before each tick.
    void settle() { host_finish_background(); }
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
    // At view points.
    void click(float x, float y) {
        app_->push_mouse(SDL_MOUSEMOTION, x, y);
        app_->push_mouse(SDL_MOUSEBUTTONDOWN, x, y);
        app_->run_for(0.15);  // the interface is drawn a few times in between
        app_->push_mouse(SDL_MOUSEBUTTONUP, x, y);
        app_->run_for(0.15);
    }
    // At window points, where the interface draws (the view may not fill the window).
    void click_in_window(ImVec2 at) {
        const ViewRect r = app_->window().view_rect_points();
        click(at.x - static_cast<float>(r.x), at.y - static_cast<float>(r.y));
    }
    void click_control(ControlPanel::Control control) {
        app_->run_for(0.2);  // the panel has found its place and size
        const PanelRect r = app_->ui().panel()->rect_of(control);
        ASSERT_GT(r.width, 0.0f) << "control not drawn";
        click_in_window({r.x + r.width / 2, r.y + r.height / 2});
    }
    // Draws the interface a few times; then the last control drawn with this caption.
    std::optional<DrawnItem> drawn_control(const std::string& caption) {
        drawn_.forget();
        app_->run_for(0.2);
        return drawn_.control(caption);
    }
    // Clicks a modal widget's control, found by its caption as it is drawn.
    void click_caption(const std::string& caption) {
        const std::optional<DrawnItem> control = drawn_control(caption);
        ASSERT_TRUE(control) << "no control \"" << caption << "\" on screen";
        ASSERT_TRUE(control->enabled) << "\"" << caption << "\" cannot be pressed";
        click_in_window(control->centre());
    }
    // As a file manager drops it on the window.
    void drop(const std::filesystem::path& path) {
        app_->push_drop(path.string());
        turn();
    }
    // Runs the action, then waits for the table build it started: how many
    // progress values were published (a whole build: rows 0 to 2498, then
    // -1, kVertexCount in all; none when no build started). The build may
    // finish before the action returns, so it is counted, not sampled.
    int table_values_published_by(const std::function<void()>& action) {
        std::atomic<int> published{0};
        trans().table_builder().set_progress_hook([&published](int32_t) { ++published; });
        action();
        trans().wait_for_table_build();
        trans().table_builder().set_progress_hook(nullptr);
        return published;
    }
    int slots_taken() const {
        int n = 0;
        for (int j = 1; j <= 4; ++j) n += app_->view().touch_slot_held(j);
        return n;
    }

    TempFolder scratch_;
    // Deletions go to a trash of the test's own, never the user's.
    ScopedEnvironment data_home_{"XDG_DATA_HOME", (scratch_.path() / "data").c_str()};
    DrawnItems drawn_;  // what the modal widgets draw
    std::filesystem::path home_;
    AppOptions options_;
    std::unique_ptr<Application> app_;
};

}  // namespace lumo::testing
