#pragma once
// Dear ImGui run headless for the widget tests: a context with a built font
// atlas and no renderer, frames driven by hand, mouse and keys simulated over
// frames, and what the widgets drew in the last frame.

#include <imgui.h>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "support/drawn_items.h"

namespace lumo::testing {

// A plain window under the widgets with one button, like the control panel.
struct WindowBehind {
    int presses = 0;
    ImVec2 button_centre;

    void draw();
};

class ImGuiHarness {
public:
    using Ui = std::function<void()>;

    explicit ImGuiHarness(ImVec2 display = ImVec2(320.0f, 480.0f));
    ~ImGuiHarness();
    ImGuiHarness(const ImGuiHarness&) = delete;
    ImGuiHarness& operator=(const ImGuiHarness&) = delete;

    // One frame: NewFrame, ui, Render. Items drawn are recorded afresh.
    void frame(const Ui& ui);
    void frames(int count, const Ui& ui);

    // Move there, press, release: three frames, then one more to settle.
    void click(ImVec2 at, const Ui& ui);
    void double_click(ImVec2 at, const Ui& ui);
    void press_key(ImGuiKey key, const Ui& ui);

    // Clicks the centre of the control drawn in the last frame with exactly
    // this caption; false when there was none.
    bool click_control(std::string_view caption, const Ui& ui);
    bool double_click_control(std::string_view caption, const Ui& ui);

    // Items of the last frame.
    const std::vector<DrawnItem>& items() const { return drawn_.items(); }
    std::optional<DrawnItem> control(std::string_view caption) const { return drawn_.control(caption); }
    std::vector<DrawnItem> controls() const { return drawn_.controls(); }
    bool drew_text(std::string_view caption) const { return drawn_.drew_text(caption); }

    // Whether ImGui holds any popup open (a modal blocks input while it does).
    static bool any_popup_open();

private:
    void set_mouse(ImVec2 at, bool down, const Ui& ui);

    ImGuiContext* context_ = nullptr;
    DrawnItems drawn_;
};

}  // namespace lumo::testing
