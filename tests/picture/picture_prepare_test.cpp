// Preparing pictures for the dome: reduced decoding against the full-size
// path, the full-size path unchanged for pictures it already handled, sizes
// that are refused, and the memory a large picture may cost.

#include <cmath>

#include "picture/picture_prepare.h"
#include "picture_test_support.h"
#include "support/picture_samples.h"

namespace lumo::testing {
namespace {

// Mean absolute difference per channel, in levels.
double mean_difference(const Picture& a, const Picture& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.byte_count() != b.byte_count() || a.byte_count() == 0) return 255.0;
    double sum = 0;
    for (std::size_t i = 0; i < a.byte_count(); ++i) sum += std::abs(int{a.pixels()[i]} - int{b.pixels()[i]});
    return sum / static_cast<double>(a.byte_count());
}

Picture fitted_the_old_way(const std::filesystem::path& path) {
    std::string error;
    const auto full = load_picture_file(path, &error);
    EXPECT_TRUE(full) << error;
    return full ? fit_picture(*full) : Picture();
}

PreparedPicture prepared(const std::filesystem::path& path) {
    PictureRequest request;
    request.path = path;
    request.preview_side = 256;
    return prepare_picture(request);
}

TEST(PicturePrepare, PicturesTheFullSizePathTookComeOutExactlyAsBefore) {
    TempFolder folder;
    ASSERT_TRUE(write_png(folder.path() / "photo.png", 1200, 900, true));
    write_bytes(folder.path() / "photo.bmp", bmp_of(*load_picture_file(folder.path() / "photo.png"), folder.path()));
    for (const char* name : {"photo.png", "photo.bmp"}) {
        const PreparedPicture result = prepared(folder.path() / name);
        ASSERT_TRUE(result.ok()) << name << ": " << result.error;
        EXPECT_TRUE(same_pixels(*result.texture, fitted_the_old_way(folder.path() / name))) << name;
        EXPECT_EQ(result.width, 1200);
        EXPECT_EQ(result.height, 900);
        ASSERT_NE(result.preview, nullptr);
        EXPECT_EQ(result.preview->width(), 256);
    }
}

TEST(PicturePrepare, AJpegIsDecodedAtTheSmallestScaleThatStillFillsTheTexture) {
    TempFolder folder;
    const auto path = folder.path() / "photo.jpg";
    ASSERT_TRUE(write_photo_jpeg(path, 3000, 2000));
    // 2000 / 512 leaves room for a half, not a quarter (500 < 512).
    std::string error;
    const auto reduced = load_picture_file_reduced(path, DecodeTarget{}, &error);
    ASSERT_TRUE(reduced) << error;
    EXPECT_EQ(reduced->width(), 1500);
    EXPECT_EQ(reduced->height(), 1000);

    const PreparedPicture result = prepared(path);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.width, 3000);
    EXPECT_EQ(result.height, 2000);
    EXPECT_LT(mean_difference(*result.texture, fitted_the_old_way(path)), 2.0);
}

TEST(PicturePrepare, ALargePngIsReducedRowByRowCloseToTheFullSizePath) {
    TempFolder folder;
    const auto path = folder.path() / "photo.png";
    ASSERT_TRUE(write_png(path, 3000, 2100, true));  // beyond kFullDecodePixels
    std::string error;
    const auto reduced = load_picture_file_reduced(path, DecodeTarget{}, &error);
    ASSERT_TRUE(reduced) << error;
    EXPECT_EQ(reduced->width(), 750);  // by 4: 2100 / 4 = 525 still fills 512
    EXPECT_EQ(reduced->height(), 525);
    const PreparedPicture result = prepared(path);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_LT(mean_difference(*result.texture, fitted_the_old_way(path)), 2.0);
}

TEST(PicturePrepare, ShapeFilePicturesAreBoundedKeepingTheirAspect) {
    TempFolder folder;
    ASSERT_TRUE(write_png(folder.path() / "wide.png", 5000, 1000, true));
    const auto bytes = read_bytes(folder.path() / "wide.png");
    std::string error;
    const auto bounded = decode_picture_reduced(bytes, DecodeTarget{DecodeTarget::Kind::bound, 2048}, &error);
    ASSERT_TRUE(bounded) << error;
    EXPECT_EQ(bounded->width(), 1667);  // by 3
    EXPECT_EQ(bounded->height(), 334);
}

TEST(PicturePrepare, ExifOrientationIsAppliedToAReducedJpeg) {
    TempFolder folder;
    // Left half red, right half blue, stored sideways: orientation 6 puts the
    // stored top on the right, so stored left (red) ends up at the top.
    std::vector<uint8_t> jpeg =
        jpeg_of(make_picture(1600, 1200,
                             [](int x, int) -> Rgba {
                                 return x < 800 ? Rgba{220, 20, 20, 255} : Rgba{20, 20, 220, 255};
                             }),
                folder.path());
    const std::vector<uint8_t> exif{0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                    1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 6,   0,   0,  0, 0, 0, 0, 0};
    jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
    std::string error;
    PictureSize original;
    const auto upright = decode_picture_reduced(jpeg, DecodeTarget{}, &error, nullptr, nullptr, &original);
    ASSERT_TRUE(upright) << error;
    ASSERT_EQ(upright->width(), 600);  // decoded at half size, then turned
    ASSERT_EQ(upright->height(), 800);
    EXPECT_EQ(original.width, 1200);
    EXPECT_EQ(original.height, 1600);
    EXPECT_LE(colour_distance(pixel_at(*upright, 300, 100), Rgba{220, 20, 20, 255}), 16);
    EXPECT_LE(colour_distance(pixel_at(*upright, 300, 700), Rgba{20, 20, 220, 255}), 16);
}

TEST(PicturePrepare, LargePicturesOfOtherFormatsAreRefusedInPlainWords) {
    std::string error;
    PictureError kind = PictureError::none;
    EXPECT_FALSE(decode_picture_reduced(gif_bomb(), DecodeTarget{}, &error, &kind));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_NE(error.find("8192 x 8192"), std::string::npos) << error;
    EXPECT_NE(error.find("only PNG and JPEG"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);

    TempFolder folder;
    const auto path = folder.path() / "interlaced.png";
    ASSERT_TRUE(write_png(path, 2100, 2100, false, true));
    EXPECT_FALSE(load_picture_file_reduced(path, DecodeTarget{}, &error, &kind));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_NE(error.find("interlaced.png"), std::string::npos) << error;
    EXPECT_NE(error.find("interlac"), std::string::npos) << error;
}

TEST(PicturePrepare, AProgressiveJpegTooLargeToDecodeInTheBudgetIsRefused) {
    // A progressive decode keeps every coefficient of the whole picture
    // (about 200 MB at 8192 x 8192): libjpeg is held to its working memory.
    std::string error;
    PictureError kind = PictureError::none;
    EXPECT_FALSE(decode_picture_reduced(jpeg_bomb(8192, true), DecodeTarget{}, &error, &kind));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_NE(error.find("8192 x 8192 progressive JPEG"), std::string::npos) << error;
    // While an ordinary one of that size opens (grey where its data ran out).
    EXPECT_TRUE(decode_picture_reduced(jpeg_bomb(8192, false), DecodeTarget{}, &error, &kind)) << error;
}

TEST(PicturePrepare, ACancelledDecodeStopsAndSaysSo) {
    TempFolder folder;
    ASSERT_TRUE(write_png(folder.path() / "big.png", 2500, 2500, false));
    std::atomic<bool> cancel{true};
    PictureRequest request;
    request.path = folder.path() / "big.png";
    const PreparedPicture result = prepare_picture(request, &cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.ok());
}

// --- Memory: each measured in a child process ---------------------------------

bool prepare_in_child(void* path) {
    PictureRequest request;
    request.path = *static_cast<const std::filesystem::path*>(path);
    request.preview_side = 256;
    const PreparedPicture result = prepare_picture(request);
    // Refusing is fine for a bomb; what matters is what trying cost.
    return result.ok() || result.kind == PictureError::too_large || result.kind == PictureError::undecodable;
}

constexpr long long kBudget = 64LL << 20;

TEST(PictureMemory, AnyAcceptedPictureCostsAtMost64MB) {
    TempFolder folder;
    const std::filesystem::path png_bomb = folder.path() / "bomb.png";
    ASSERT_TRUE(write_png(png_bomb, 8192, 8192, false));
    const std::filesystem::path jpeg = folder.path() / "bomb.jpg";
    write_file(jpeg, jpeg_bomb());
    const std::filesystem::path progressive = folder.path() / "progressive.jpg";
    write_file(progressive, jpeg_bomb(8192, true));
    const std::filesystem::path gif = folder.path() / "bomb.gif";
    write_file(gif, gif_bomb());
    const std::filesystem::path photo = folder.path() / "photo.jpg";
    ASSERT_TRUE(write_photo_jpeg(photo, 6000, 4000));
    for (const auto& path : {png_bomb, jpeg, progressive, gif, photo}) {
        auto argument = path;
        const long long added = peak_memory_added(&prepare_in_child, &argument);
        ASSERT_GE(added, 0) << path.filename();
        EXPECT_LT(added, kBudget) << path.filename() << ": " << added / (1 << 20) << " MB";
    }
}

}  // namespace
}  // namespace lumo::testing
