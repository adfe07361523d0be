#include "widgets/widget_probe.h"

namespace lumo {
namespace {

WidgetProbe* g_probe = nullptr;  // main thread only, like all drawing

}  // namespace

void setWidgetProbe(WidgetProbe* probe) { g_probe = probe; }

void reportProbedItem(ProbedItem kind, std::string_view caption, ImVec2 rect_min, ImVec2 rect_max, bool enabled) {
    if (g_probe != nullptr) g_probe->item(kind, caption, rect_min, rect_max, enabled);
}

}  // namespace lumo
