// The start-up: what begins before the window opens (the table build, the
// default picture's decode, the font's read).

#include <cstring>

#include "app_harness.h"

namespace lumo::testing {
namespace {

class StartUp : public AppTest {
protected:
    void create() {
        std::string error;
        app_ = Application::create(options_, &error);
        ASSERT_NE(app_, nullptr) << error;
    }
};

TEST_F(StartUp, TheTableIsBuiltFromBeforeTheWindowAndLaunchingKeepsIt) {
    create();
    trans().wait_for_table_build();
    EXPECT_EQ(trans().initializing_index(), -1) << "nothing was built before launch";
    app().launch();
    EXPECT_EQ(trans().initializing_index(), -1) << "launching built the same table again";
    app().runFor(0.2);
    EXPECT_GT(app().framesDrawn(), 2);
}

TEST_F(StartUp, ThePictureDecodedBesideTheWindowIsTheDefaultOne) {
    create();
    const auto expected = EAGLView::defaultPicture();
    ASSERT_NE(expected, nullptr) << "texture.png next to the tests";
    ASSERT_NE(view().texture, nullptr);
    ASSERT_EQ(view().texture->byte_count(), expected->byte_count());
    EXPECT_EQ(std::memcmp(view().texture->pixels(), expected->pixels(), expected->byte_count()), 0);
    EXPECT_TRUE(app().imgui().hasTrueTypeFont()) << "the font read beside the window reached the interface";
}

}  // namespace
}  // namespace lumo::testing
