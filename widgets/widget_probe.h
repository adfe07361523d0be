#pragma once
// Where the modal widgets and the panel put their controls and texts,
// reported as they are drawn, so that tests can click a control found by its
// caption and check that every screen keeps to the rules of layout_faults.h.
// Nothing is reported while no probe is set, which is always the case in the
// program.

#include <imgui.h>

#include <string>
#include <string_view>

namespace lumo {

// overflow follows the item whose caption does not fit its box (it is cut).
enum class ProbedItem { control, text, overflow };

// One item as drawn.
struct DrawnItem {
    ProbedItem kind;
    std::string caption;
    ImVec2 min;  // the item's rectangle in screen points
    ImVec2 max;
    bool enabled;  // false for a control that is drawn but cannot be pressed
    // The part of it in sight: less than the whole where a scrolled list's
    // edge hides the rest.
    ImVec2 shown_min;
    ImVec2 shown_max;
    // 0 for what lies on the screen itself (the panel); 1 and up for a modal
    // screen's popup, which takes every tap while it is open.
    int layer = 0;
    // A control the keyboard is on (its ring is drawn): Enter presses it.
    bool focused = false;

    ImVec2 centre() const { return ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f); }
    float width() const { return max.x - min.x; }
    float height() const { return max.y - min.y; }
    // Whether a scrolled list's edge hides part of it.
    bool cut() const;
};

class WidgetProbe {
public:
    virtual ~WidgetProbe() = default;
    virtual void item(const DrawnItem& item) = 0;
};

// The probe told about every item drawn from now on; nullptr for none.
void setWidgetProbe(WidgetProbe* probe);

// Called by the widgets after drawing an item, inside its ImGui window.
// Nothing is reported of an item wholly out of sight.
void reportProbedItem(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled = true,
                      bool focused = false);

}  // namespace lumo
