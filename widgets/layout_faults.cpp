#include "widgets/layout_faults.h"

#include <algorithm>
#include <cstdio>

#include "widgets/tap_controls.h"

namespace lumo {
namespace {

// Points lost to rounding that no finger or eye can tell.
constexpr float kSlack = 0.25f;

std::string quoted(const DrawnItem& item) {
    std::string shown = item.caption.size() > 60 ? item.caption.substr(0, 57) + "..." : item.caption;
    return '"' + shown + '"';
}

std::string format(const char* pattern, float a, float b = 0, float c = 0, float d = 0) {
    char text[96];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

// How far apart two rectangles are: negative when they overlap, by how
// much along the axis where they overlap least.
float separation(const DrawnItem& a, const DrawnItem& b) {
    const float dx = std::max(a.shown_min.x - b.shown_max.x, b.shown_min.x - a.shown_max.x);
    const float dy = std::max(a.shown_min.y - b.shown_max.y, b.shown_min.y - a.shown_max.y);
    return std::max(dx, dy);
}

void check_item(const DrawnItem& item, ImVec2 window, std::vector<std::string>* faults) {
    if (item.kind == ProbedItem::overflow) {
        faults->push_back(quoted(item) + " is cut to fit its box");
        return;
    }
    if (item.shown_min.x < -kSlack || item.shown_min.y < -kSlack || item.shown_max.x > window.x + kSlack ||
        item.shown_max.y > window.y + kSlack)
        faults->push_back(quoted(item) + format(" runs outside the window (%.1f, %.1f to %.1f, %.1f)", item.shown_min.x,
                                                item.shown_min.y, item.shown_max.x, item.shown_max.y));
    if (item.kind == ProbedItem::text && item.cut()) faults->push_back(quoted(item) + " is partly hidden");
    if (item.kind == ProbedItem::control && item.height() < tap::kTapHeight - kSlack)
        faults->push_back(quoted(item) + format(" is %.1f points tall", item.height()));
}

void check_pair(const DrawnItem& a, const DrawnItem& b, std::vector<std::string>* faults) {
    if (a.kind == ProbedItem::overflow || b.kind == ProbedItem::overflow) return;
    const float apart = separation(a, b);
    if (apart < -kSlack) {
        faults->push_back(quoted(a) + " and " + quoted(b) + " overlap");
    } else if (a.kind == ProbedItem::control && b.kind == ProbedItem::control && apart < kTargetGap - kSlack) {
        faults->push_back(quoted(a) + " and " + quoted(b) + format(" are %.1f points apart", apart));
    }
}

}  // namespace

std::vector<std::string> layout_faults(const std::vector<DrawnItem>& items, ImVec2 window_size) {
    int top = 0;
    for (const DrawnItem& item : items) top = std::max(top, item.layer);
    std::vector<const DrawnItem*> on_top;
    for (const DrawnItem& item : items)
        if (item.layer == top) on_top.push_back(&item);
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < on_top.size(); ++i) {
        check_item(*on_top[i], window_size, &faults);
        for (std::size_t j = i + 1; j < on_top.size(); ++j) check_pair(*on_top[i], *on_top[j], &faults);
    }
    return faults;
}

}  // namespace lumo
