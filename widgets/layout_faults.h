#pragma once
// What every screen keeps to under fingers, checked over the items the
// widget probe reports of one frame, by the layout tests of both hosts:
// no two items overlap, every control is a fingertip tall with a
// fingertip's gap between targets, no caption is cut, no text is partly
// hidden, and nothing runs outside the window.

#include <imgui.h>

#include <string>
#include <vector>

#include "widgets/widget_probe.h"

namespace lumo {

inline constexpr float kTargetGap = 8.0f;  // points between two touch targets

// The faults of one frame's items in a window of this size (points), each
// in plain words; empty when the screen keeps to the rules. Only the top
// layer counts: a modal screen takes every tap while it is open.
std::vector<std::string> layout_faults(const std::vector<DrawnItem>& items, ImVec2 window_size);

}  // namespace lumo
