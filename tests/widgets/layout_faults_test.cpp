// The rules the layout tests of both hosts check on what a screen drew: each
// row a frame as the probe reports it, and the one fault it holds, if any.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/layout_faults.h"

namespace lumo {
namespace {

DrawnItem item(ProbedItem kind, const char* caption, float x, float y, float w, float h, int layer = 1) {
    return {kind, caption, ImVec2(x, y), ImVec2(x + w, y + h), true, ImVec2(x, y), ImVec2(x + w, y + h), layer};
}
DrawnItem control(const char* caption, float x, float y, float w, float h = 44, int layer = 1) {
    return item(ProbedItem::control, caption, x, y, w, h, layer);
}
DrawnItem text(const char* caption, float x, float y, float w, float h = 16) {
    return item(ProbedItem::text, caption, x, y, w, h);
}
// Cut by a scrolled list's edge at y = bottom.
DrawnItem cut_at(DrawnItem drawn, float bottom) {
    drawn.shown_max.y = bottom;
    return drawn;
}

struct Frame {
    const char* what;
    std::vector<DrawnItem> items;
    std::string fault;  // empty: none
};

TEST(LayoutFaults, EachRuleFindsItsFaultAndNothingElse) {
    const Frame frames[] = {
        {"two buttons a fingertip apart", {control("Save", 10, 10, 100), control("Load", 118, 10, 100)}, ""},
        {"overlapping buttons",
         {control("Save", 10, 10, 100), control("Load", 100, 10, 100)},
         "\"Save\" and \"Load\" overlap"},
        {"buttons too close",
         {control("Save", 10, 10, 100), control("Load", 10, 58, 100)},
         "\"Save\" and \"Load\" are 4.0 points apart"},
        {"a text over a button",
         {control("Save", 10, 10, 100), text("saved", 50, 20, 80)},
         "\"Save\" and \"saved\" overlap"},
        {"a text just beside a button", {control("Save", 10, 10, 100), text("saved", 112, 20, 80)}, ""},
        {"a short button", {control("OK", 10, 10, 100, 30)}, "\"OK\" is 30.0 points tall"},
        {"off the window's edge",
         {control("Load", 260, 10, 100)},
         "\"Load\" runs outside the window (260.0, 10.0 to 360.0, 54.0)"},
        {"a cut caption",
         {control("Texutre and Shape", 10, 10, 60), item(ProbedItem::overflow, "Texutre and Shape", 10, 10, 60, 44)},
         "\"Texutre and Shape\" is cut to fit its box"},
        {"a message cut by its list's edge",
         {cut_at(text("No saved shapes yet", 10, 300, 200, 32), 320)},
         "\"No saved shapes yet\" is partly hidden"},
        {"a row scrolled half out of sight", {cut_at(control("7 Dec 2026, 20:38:27", 10, 300, 300), 320)}, ""},
        {"the panel under a menu does not count",
         {control("Save", 10, 400, 100, 44, 0), control("Cancel", 10, 380, 300)},
         ""},
    };
    for (const Frame& frame : frames) {
        const std::vector<std::string> found = layout_faults(frame.items, ImVec2(320, 480));
        const std::vector<std::string> expected =
            frame.fault.empty() ? std::vector<std::string>{} : std::vector<std::string>{frame.fault};
        EXPECT_EQ(found, expected) << frame.what;
    }
}

}  // namespace
}  // namespace lumo
