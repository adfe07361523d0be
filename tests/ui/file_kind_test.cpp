// Which files are shape files: by name, or by content when the name says
// nothing (the desktop's file type recognises them by content too).

#include "app/file_kind.h"

#include "support/app_harness.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "support/sample_shapes.h"

namespace lumo::testing {
namespace {

TEST(FileKind, ByNameEvenWhenMissing) {
    TempFolder folder;
    EXPECT_TRUE(is_shape_file(folder / "a.lumo"));
    EXPECT_TRUE(is_shape_file(folder / "A.LUMO"));
    EXPECT_FALSE(is_shape_file(folder / "a.lumo.png"));
    EXPECT_FALSE(is_shape_file(folder / "lumo"));
    EXPECT_FALSE(is_shape_file(folder / "a.lum"));
    EXPECT_FALSE(is_shape_file(folder / "a"));
}

TEST(FileKind, ByContentWhateverTheName) {
    TempFolder folder;
    write_text(folder / "xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n<dict/>\n</plist>\n");
    write_text(folder / "binary", std::string_view("bplist00\xd0\x08\0\0\0\0\0\0\x01\x01", 16));
    EXPECT_TRUE(is_shape_file(folder / "xml"));
    EXPECT_TRUE(is_shape_file(folder / "binary"));
    // Pictures, an SVG among them (XML too, but no property list).
    ASSERT_TRUE(save_png_file(Picture(2, 2), folder / "picture"));
    write_text(folder / "drawing", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
    write_text(folder / "empty", "");
    EXPECT_FALSE(is_shape_file(folder / "picture"));
    EXPECT_FALSE(is_shape_file(folder / "drawing"));
    EXPECT_FALSE(is_shape_file(folder / "empty"));
    EXPECT_FALSE(is_shape_file(folder / "missing"));
    // A property list's root comes within the first 512 bytes, or not at all.
    write_text(folder / "late", std::string(600, ' ') + "<plist version=\"1.0\"><dict/></plist>");
    EXPECT_FALSE(is_shape_file(folder / "late"));
}

// As the file manager hands over a shape file that lost its name.
TEST_F(AppTest, AShapeFileWithoutItsExtensionIsLoadedAsAShape) {
    const std::vector<float> shape = ramp_shape();
    std::string error;
    ASSERT_TRUE(write_shape_file(home_ / "ramp", shape, encode_png(Picture(4, 4)), &error)) << error;
    options_.files = {(home_ / "ramp").string()};
    ::testing::internal::CaptureStderr();
    launch();
    EXPECT_EQ(::testing::internal::GetCapturedStderr().find("cannot open"), std::string::npos);
    EXPECT_EQ(view().picture()->width(), 4);
    EXPECT_GT(trans().rest_shape()[3 * vertex_index(20, 40) + 2], trans().rest_shape()[3 * vertex_index(20, 10) + 2]);
}

}  // namespace
}  // namespace lumo::testing
