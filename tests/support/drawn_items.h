#pragma once
// What the modal widgets drew, as they report it to the widget probe: every
// control and text with its caption and rectangle (screen points), so tests
// can click a control where a user would and read what the user is told.
// One at a time: it is the probe while it lives.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/widget_probe.h"

namespace lumo::testing {

using lumo::DrawnItem;

class DrawnItems : private WidgetProbe {
public:
    DrawnItems() { setWidgetProbe(this); }
    ~DrawnItems() override { setWidgetProbe(nullptr); }
    DrawnItems(const DrawnItems&) = delete;
    DrawnItems& operator=(const DrawnItems&) = delete;

    void forget() { items_.clear(); }
    // Everything drawn since the last forget(), in order.
    const std::vector<DrawnItem>& items() const { return items_; }

    // The last control drawn with exactly this caption, enabled or not.
    std::optional<DrawnItem> control(std::string_view caption) const { return last(ProbedItem::control, caption); }
    std::optional<DrawnItem> text(std::string_view caption) const { return last(ProbedItem::text, caption); }
    bool drew_text(std::string_view caption) const { return text(caption).has_value(); }
    // Every control drawn, or every one with this caption (rows of a list).
    std::vector<DrawnItem> controls(std::optional<std::string_view> caption = std::nullopt) const {
        std::vector<DrawnItem> found;
        for (const DrawnItem& item : items_)
            if (item.kind == ProbedItem::control && (!caption || item.caption == *caption)) found.push_back(item);
        return found;
    }

private:
    void item(const DrawnItem& item) override { items_.push_back(item); }
    std::optional<DrawnItem> last(ProbedItem kind, std::string_view caption) const {
        for (auto it = items_.rbegin(); it != items_.rend(); ++it)
            if (it->kind == kind && it->caption == caption) return *it;
        return std::nullopt;
    }

    std::vector<DrawnItem> items_;
};

}  // namespace lumo::testing
