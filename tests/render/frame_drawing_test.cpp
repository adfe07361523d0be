// What a frame draws, read back from the view's framebuffer: the progressive
// reveal while the tables build, the picture's orientation, line mode, and
// the tilt fed to the body record.

#include <cmath>

#include "offscreen_view.h"
#include "sim/surface_grid.h"
#include "support/allocation_counter.h"

namespace lumo::testing {
namespace {

using FrameDrawing = OffscreenView;

TEST_F(FrameDrawing, NothingButTheClearColourBeforeTheFirstRow) {
    ASSERT_EQ(view_->trans()->initializing_index(), 0);
    view_->drawView();
    for (int y = 0; y < view_->frame().height; y += 23)
        for (int x = 0; x < view_->frame().width; x += 17) ASSERT_TRUE(pixel(x, y).is_clear_colour()) << x << "," << y;
}

TEST_F(FrameDrawing, RevealsTheFirstCellsFromTheTopWhileBuilding) {
    // 1000 cells: rows 0 to 19 of cells, then the first 20 cells of row 20.
    view_->trans()->set_initializing_index(1000);
    view_->drawView();
    const float row_20_top = grid_coordinate(20), row_21_top = grid_coordinate(21), column_20 = grid_coordinate(20);
    EXPECT_FALSE(pixel_at_surface(0.0f, row_20_top - 0.02f).is_clear_colour());
    EXPECT_FALSE(pixel_at_surface(column_20 - 0.03f, (row_20_top + row_21_top) / 2).is_clear_colour());
    EXPECT_TRUE(pixel_at_surface(column_20 + 0.03f, (row_20_top + row_21_top) / 2).is_clear_colour());
    EXPECT_TRUE(pixel_at_surface(0.0f, row_21_top + 0.02f).is_clear_colour());
    EXPECT_TRUE(pixel_at_surface(0.0f, 0.15f).is_clear_colour());
}

TEST_F(FrameDrawing, DrawsEveryCellOnceTheIndexPassesTheCellCountOrTheBuildEnds) {
    for (int32_t index : {2401, 2498, -1}) {
        view_->trans()->set_initializing_index(index);
        view_->drawView();
        for (float y : {-0.18f, 0.0f, 0.18f})
            for (float x : {-0.12f, 0.0f, 0.12f}) EXPECT_FALSE(pixel_at_surface(x, y).is_clear_colour()) << index;
    }
}

TEST_F(FrameDrawing, ThePictureStandsUpright) {
    Picture picture(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = picture.pixel(x, y);
            const bool top = y < 32;
            p[0] = top ? 255 : 0, p[1] = 0, p[2] = top ? 0 : 255, p[3] = 255;
        }
    view_->load_texture(std::make_shared<const Picture>(std::move(picture)));
    view_->trans()->set_initializing_index(-1);
    view_->drawView();
    const Rgb top = pixel_at_surface(0.0f, -0.1f), bottom = pixel_at_surface(0.0f, 0.1f);
    EXPECT_GT(top.r, top.b + 40) << top.r << "," << top.b;
    EXPECT_GT(bottom.b, bottom.r + 40) << bottom.r << "," << bottom.b;
    EXPECT_LT(top.g, 40);
}

TEST_F(FrameDrawing, LineModeDrawsTheGridWithoutDiagonals) {
    view_->trans()->set_initializing_index(-1);
    view_->setDisplaySurface(false);
    view_->drawView();
    int centres_clear = 0, centres = 0, on_lines = 0, lines = 0;
    for (int r = 10; r < 40; r += 3)
        for (int c = 12; c < 38; c += 3) {
            // A cell's centre lies on the diagonal shared by its two triangles.
            const float cx = (grid_coordinate(c) + grid_coordinate(c + 1)) / 2;
            const float cy = (grid_coordinate(r) + grid_coordinate(r + 1)) / 2;
            centres_clear += pixel_at_surface(cx, cy).is_clear_colour();
            ++centres;
            on_lines += !pixel_at_surface(grid_coordinate(c) + 0.002f, grid_coordinate(r) + 0.0001f).is_clear_colour();
            ++lines;
        }
    EXPECT_EQ(centres_clear, centres);
    EXPECT_GT(on_lines, lines / 2);
    view_->setDisplaySurface(true);
    view_->drawView();
    EXPECT_FALSE(pixel_at_surface(0.004f, 0.004f).is_clear_colour());
}

TEST_F(FrameDrawing, TiltBecomesTheBodyForceDirection) {
    struct Case {
        double a0, a1, a2;
        float x, y, z;
    };
    const Case cases[] = {
        {0, 0, -1, 0, 0, -0.5f},  // lying face up: into the screen
        {0, -1, 0, 0, 1, 0},  // upright: towards the bottom of the view
        {1, 0, 0, 1, 0, 0},  // right side down: towards the right edge
    };
    const InputForce& body = view_->trans()->input_force(0);
    for (const Case& c : cases) {
        view_->setAccel0(c.a0), view_->setAccel1(c.a1), view_->setAccel2(c.a2);
        view_->drawView();  // index 0: the force is set, no step runs
        const float g = 9.8f * body.mass;
        EXPECT_EQ(body.force[0], c.x * g);
        EXPECT_EQ(body.force[1], c.y * g);
        EXPECT_EQ(body.force[2], c.z * g);
    }
}

TEST_F(FrameDrawing, TheStepWaitsForTheTables) {
    view_->drawView();
    EXPECT_EQ(view_->trans()->current_surface(), view_->trans()->rest_shape());  // held off
    build_tables();
    view_->drawView();
    EXPECT_NE(view_->trans()->current_surface(), view_->trans()->rest_shape());  // the sag begins
}

TEST_F(FrameDrawing, AFrameAllocatesNothing) {
    if (!allocation_counting_enabled()) GTEST_SKIP() << "sanitizer build";
    build_tables();
    view_->drawView();
    AllocationCounter counter;
    for (int n = 0; n < 20; ++n) view_->drawView();
    EXPECT_EQ(counter.count(), 0u);
}

// A 512 x 512 picture, red outside the rectangle (texture coordinates) and blue inside.
std::shared_ptr<const Picture> red_around(PicturePart part) {
    Picture picture(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float u = (x + 0.5f) / 512.0f, v = (y + 0.5f) / 512.0f;
            const bool inside = u >= part.left && u <= part.right && v >= part.top && v <= part.bottom;
            uint8_t* p = picture.pixel(x, y);
            p[0] = inside ? 0 : 255, p[1] = 0, p[2] = inside ? 255 : 0, p[3] = 255;
        }
    return std::make_shared<const Picture>(std::move(picture));
}

TEST_F(FrameDrawing, TheVisiblePartOfThePictureIsWhatTheViewShows) {
    const PicturePart part = EAGLView::visible_picture_part();
    EXPECT_GT(part.left, 0.1f);  // the view is narrower than the grid
    EXPECT_LT(part.right, 0.9f);
    view_->trans()->set_initializing_index(-1);
    // How many of the pixels just inside the view's four edges are more red than blue.
    const auto red_at_the_edges = [this] {
        const int w = view_->frame().width, h = view_->frame().height;
        int red = 0;
        for (int k = 0; k < 16; ++k) {
            const int x = 2 + k * (w - 5) / 15, y = 2 + k * (h - 5) / 15;
            for (Rgb c : {pixel(x, 2), pixel(x, h - 3), pixel(2, y), pixel(w - 3, y)}) red += c.r > c.b;
        }
        return red;
    };

    // Red only outside the part: none of it reaches the view.
    view_->load_texture(red_around(part));
    view_->drawView();
    EXPECT_EQ(red_at_the_edges(), 0);

    // Red reaching 1.5% of the picture into the part shows along every edge.
    constexpr float kIn = 0.015f;
    view_->load_texture(red_around({part.left + kIn, part.top + kIn, part.right - kIn, part.bottom - kIn}));
    view_->drawView();
    EXPECT_EQ(red_at_the_edges(), 64);
}

}  // namespace
}  // namespace lumo::testing
