#pragma once
// Finds the modal widgets' controls by caption as they are drawn, so tests
// can click them where a user would.

#include <map>
#include <string>

#include "widgets/widget_probe.h"

namespace lumo::testing {

class WidgetFinder : public WidgetProbe {
public:
    WidgetFinder() { setWidgetProbe(this); }
    ~WidgetFinder() override { setWidgetProbe(nullptr); }
    void item(ProbedItem kind, std::string_view caption, ImVec2 min, ImVec2 max, bool enabled) override {
        if (kind != ProbedItem::control || !enabled) return;
        controls_[std::string(caption)] = {(min.x + max.x) / 2, (min.y + max.y) / 2};
    }
    void forget() { controls_.clear(); }
    // The centre of the control drawn with this caption since the last forget().
    bool find(const std::string& caption, ImVec2* centre) const {
        const auto it = controls_.find(caption);
        if (it == controls_.end()) return false;
        *centre = it->second;
        return true;
    }

private:
    std::map<std::string, ImVec2> controls_;
};

}  // namespace lumo::testing
