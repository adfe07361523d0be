// Files dropped on the window or named on the command line.

#include <fstream>

#include "support/app_harness.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "support/sample_shapes.h"

namespace lumo::testing {
namespace {

TEST_F(AppTest, ADroppedPictureBecomesTheTexture) {
    launch();
    Picture tall(100, 300);
    ASSERT_TRUE(save_png_file(tall, home_ / "tall.png"));
    drop(home_ / "tall.png");
    ASSERT_NE(view().picture(), nullptr);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_EQ(view().picture()->height(), 512);
}

TEST_F(AppTest, ADroppedFileThatIsNoPictureChangesNothingAndSaysSo) {
    launch();
    std::ofstream(home_ / "notes.png") << "not a picture";
    const auto picture = view().picture();
    ::testing::internal::CaptureStderr();
    drop(home_ / "notes.png");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("notes.png"), std::string::npos);
    EXPECT_EQ(view().picture(), picture);
    ASSERT_NE(app().ui().panel()->notice(), nullptr);
    EXPECT_TRUE(app().ui().panel()->notice()->isVisible());
    EXPECT_TRUE(view().animating());
}

TEST_F(AppTest, AShapeFileOnTheCommandLineIsLoadedAndFixed) {
    const std::vector<float> shape = ramp_shape();
    std::string error;
    ASSERT_TRUE(write_shape_file(home_ / "ramp.lumo", shape, encode_png(Picture(4, 4)), &error)) << error;
    options_.files = {(home_ / "ramp.lumo").string()};
    launch();
    EXPECT_EQ(view().picture()->width(), 4);
    EXPECT_GT(trans()._init_surface_pos[3 * vertex_index(20, 40) + 2],
              trans()._init_surface_pos[3 * vertex_index(20, 10) + 2]);
}

TEST_F(AppTest, AFileThatCannotBeOpenedIsReportedAndTheDefaultsStay) {
    options_.files = {(home_ / "missing.lumo").string(), (home_ / "missing.jpg").string()};
    ::testing::internal::CaptureStderr();
    launch();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("missing.lumo"), std::string::npos);
    EXPECT_NE(log.find("missing.jpg"), std::string::npos);
    EXPECT_EQ(trans()._init_surface_pos[3 * 1275 + 2], 0.11f);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_TRUE(view().animating());
}

}  // namespace
}  // namespace lumo::testing
