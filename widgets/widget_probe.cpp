#include "widgets/widget_probe.h"

#include <imgui_internal.h>

#include <algorithm>

namespace lumo {
namespace {

WidgetProbe* g_probe = nullptr;  // main thread only, like all drawing

}  // namespace

bool DrawnItem::cut() const {
    return shown_min.x > min.x || shown_min.y > min.y || shown_max.x < max.x || shown_max.y < max.y;
}

void setWidgetProbe(WidgetProbe* probe) { g_probe = probe; }

void reportProbedItem(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled,
                      bool focused) {
    if (g_probe == nullptr) return;
    DrawnItem item{kind, std::string(caption), rect_min, rect_max, enabled, rect_min, rect_max};
    // What a list scrolled inside a screen lets show. The screens themselves
    // are not clipped here: what runs off one is reported where it went.
    if (const ImGuiWindow* window = ImGui::GetCurrentWindowRead();
        window != nullptr && (window->Flags & ImGuiWindowFlags_ChildWindow) != 0) {
        const ImRect sight = window->ClipRect;
        item.shown_min = ImVec2(std::max(rect_min.x, sight.Min.x), std::max(rect_min.y, sight.Min.y));
        item.shown_max = ImVec2(std::min(rect_max.x, sight.Max.x), std::min(rect_max.y, sight.Max.y));
        if (item.shown_min.x >= item.shown_max.x || item.shown_min.y >= item.shown_max.y) return;
    }
    item.layer = ImGui::GetCurrentContext()->BeginPopupStack.Size;
    item.focused = focused;
    g_probe->item(item);
}

}  // namespace lumo
