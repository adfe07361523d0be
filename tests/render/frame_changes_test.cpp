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
        {"one height by a little more than shows nothing",
         [](FrameLook&, std::vector<float>& vertices) { vertices[2] += 2 * kInvisibleMove; }},
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

// A surface at rest cycles in its floats' last place for ever; that shows
// nothing, and neither does a creep that stays within kInvisibleMove of the
// frame last drawn. Once it has crept further, the frame is drawn.
TEST(FrameChanges, ChangesTooSmallToSeeAreNotDrawn) {
    const FrameLook shown{.filled = true, .cells = 2401, .framebuffer = 3, .width = 320, .height = 480};
    std::vector<float> vertices(kSurfaceFloatCount, 0.05f);
    FrameChanges changes;
    for (int frame = 0; frame <= FrameChanges::kSettleFrames; ++frame) changes.take(vertices.data(), shown);
    vertices[2] = std::nextafter(vertices[2], 1.0f);
    EXPECT_FALSE(changes.take(vertices.data(), shown)) << "a unit in the last place";
    vertices[2] = 0.05f + 0.6f * kInvisibleMove;
    EXPECT_FALSE(changes.take(vertices.data(), shown));
    vertices[2] = 0.05f + 1.2f * kInvisibleMove;
    EXPECT_TRUE(changes.take(vertices.data(), shown)) << "crept out of sight of the last frame drawn";
}

}  // namespace
}  // namespace lumo::testing
