// The default picture that ships next to the program.

#include "picture_test_support.h"

namespace lumo::testing {
namespace {

// Mean colour of rows [first, last].
std::array<double, 3> mean_of_rows(const Picture& picture, int first, int last) {
    std::array<double, 3> sum{};
    for (int y = first; y <= last; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            for (int c = 0; c < 3; ++c) sum[c] += picture.pixel(x, y)[c];
        }
    }
    const double count = static_cast<double>(picture.width()) * (last - first + 1);
    for (double& s : sum) s /= count;
    return sum;
}

TEST(DefaultTexture, IsAnOpaque512SquareWarmAtTheTopAndBlueAtTheBottom) {
    std::string error;
    const auto texture = load_picture_file(LUMO_DEFAULT_TEXTURE_PATH, &error);
    ASSERT_TRUE(texture) << error;
    ASSERT_EQ(texture->width(), 512);
    ASSERT_EQ(texture->height(), 512);
    for (std::size_t i = 3; i < texture->byte_count(); i += 4) ASSERT_EQ(texture->pixels()[i], 255) << i / 4;

    // Orientation marks that tests of the drawn surface rely on.
    const auto top = mean_of_rows(*texture, 0, 7);
    const auto bottom = mean_of_rows(*texture, 504, 511);
    EXPECT_GT(top[0], top[2] + 100) << "top band should be red or orange";
    EXPECT_GT(bottom[2], bottom[0] + 100) << "bottom band should be blue";
}

}  // namespace
}  // namespace lumo::testing
