// Whether a frame is drawn: with the vertices as they were and nothing
// asking for a redraw, any change to what else decides the picture still
// draws it.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "render/frame_changes.h"

namespace lumo::testing {
namespace {

TEST(FrameChanges, AnyChangeToTheLookAloneIsDrawn) {
    const FrameLook shown{.filled = true, .cells = 2401, .framebuffer = 3, .width = 320, .height = 480};
    const struct {
        const char* what;
        std::function<void(FrameLook&, std::vector<float>&)> change;
    } rows[] = {
        {"a new framebuffer", [](FrameLook& look, std::vector<float>&) { look.framebuffer = 4; }},
        {"a wider one", [](FrameLook& look, std::vector<float>&) { look.width = 321; }},
        {"a lower one", [](FrameLook& look, std::vector<float>&) { look.height = 479; }},
        {"lines instead of triangles", [](FrameLook& look, std::vector<float>&) { look.filled = false; }},
        {"more cells revealed", [](FrameLook& look, std::vector<float>&) { look.cells = 2450; }},
        {"one height by the least step",
         [](FrameLook&, std::vector<float>& vertices) { vertices[2] = std::nextafter(vertices[2], 1.0f); }},
    };
    std::vector<float> rest(kSurfaceFloatCount, 0.05f);
    for (const auto& row : rows) {
        FrameChanges changes;
        for (int frame = 0; frame < FrameChanges::kSettleFrames; ++frame) changes.take(rest.data(), shown);
        ASSERT_FALSE(changes.take(rest.data(), shown)) << "settled: nothing new to draw";
        FrameLook look = shown;
        std::vector<float> vertices = rest;
        row.change(look, vertices);
        EXPECT_TRUE(changes.take(vertices.data(), look)) << row.what;
        EXPECT_FALSE(changes.take(vertices.data(), look)) << row.what << ": drawn once, then taken as shown";
        EXPECT_TRUE(changes.take(rest.data(), shown)) << row.what << ": and back";
    }
}

}  // namespace
}  // namespace lumo::testing
