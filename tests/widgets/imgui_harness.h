#pragma once
// Dear ImGui run headless for the widget tests: a context with a built font
// atlas and no renderer, frames driven by hand, mouse and keys simulated over
// frames, and a probe that records where the widgets drew their items.

#include <imgui.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/widget_probe.h"

namespace lumo::testing {

struct DrawnItem {
    ProbedItem kind;
    std::string caption;
    ImVec2 min;
    ImVec2 max;
    bool enabled;

    ImVec2 centre() const { return ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f); }
    float width() const { return max.x - min.x; }
    float height() const { return max.y - min.y; }
};

// A plain window under the widgets with one button, like the control panel.
struct WindowBehind {
    int presses = 0;
    ImVec2 button_centre;

    void draw();
};

class ImGuiHarness : private WidgetProbe {
public:
    using Ui = std::function<void()>;

    explicit ImGuiHarness(ImVec2 display = ImVec2(320.0f, 480.0f));
    ~ImGuiHarness() override;
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
    const std::vector<DrawnItem>& items() const { return items_; }
    std::optional<DrawnItem> control(std::string_view caption) const;
    std::vector<DrawnItem> controls() const;
    bool drew_text(std::string_view caption) const;

    // Whether ImGui holds any popup open (a modal blocks input while it does).
    static bool any_popup_open();

private:
    void item(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled) override;
    void set_mouse(ImVec2 at, bool down, const Ui& ui);

    ImGuiContext* context_ = nullptr;
    std::vector<DrawnItem> items_;
};

}  // namespace lumo::testing
