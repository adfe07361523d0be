#pragma once
// Where the modal widgets put their controls and texts, reported as they are
// drawn, so that tests can click a control found by its caption. Nothing is
// reported while no probe is set, which is always the case in the program.

#include <imgui.h>

#include <string_view>

namespace lumo {

// overflow follows the item whose caption does not fit its box (it is cut).
enum class ProbedItem { control, text, overflow };

class WidgetProbe {
public:
    virtual ~WidgetProbe() = default;
    // rect_min, rect_max: the item's rectangle in screen points. enabled is
    // false for a control that is drawn but cannot be pressed.
    virtual void item(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled) = 0;
};

// The probe told about every item drawn from now on; nullptr for none.
void setWidgetProbe(WidgetProbe* probe);

// Called by the widgets after drawing an item.
void reportProbedItem(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled = true);

}  // namespace lumo
