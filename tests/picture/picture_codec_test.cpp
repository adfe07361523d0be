// Decoding and PNG encoding: orientation, premultiplied alpha, round trips,
// and the refusals that keep bad or oversized data from doing harm.

#include <SDL.h>
#include <SDL_image.h>

#include <random>

#include "picture/picture_prepare.h"
#include "picture_test_support.h"
#include "support/picture_samples.h"

namespace lumo::testing {
namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

// Red top half, blue bottom half, a green mark at the left end of the top row.
Picture red_top_blue_bottom(int width, int height) {
    return make_picture(width, height, [&](int x, int y) {
        if (y == 0 && x < width / 4) return kGreen;
        return y < height / 2 ? kRed : kBlue;
    });
}

// Patches the big-endian IHDR size of a PNG; the CRC goes stale, which must
// not matter because the size is refused before anything reads the CRC.
std::vector<uint8_t> with_png_size(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    return png;
}

std::optional<Picture> decode(const std::vector<uint8_t>& bytes, PictureError* kind, std::string* error = nullptr) {
    return decode_picture(bytes, error, kind);
}

TEST(PictureDecode, KeepsTheTopRowFirstAndTheLeftColumnLeft) {
    const auto decoded = decode_picture(encode_png(red_top_blue_bottom(16, 10)));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width(), 16);
    ASSERT_EQ(decoded->height(), 10);
    EXPECT_EQ(pixel_at(*decoded, 0, 0), kGreen);
    EXPECT_EQ(pixel_at(*decoded, 15, 0), kRed);
    EXPECT_EQ(pixel_at(*decoded, 8, 4), kRed);
    EXPECT_EQ(pixel_at(*decoded, 8, 5), kBlue);
    EXPECT_EQ(pixel_at(*decoded, 0, 9), kBlue);
}

TEST(PictureDecode, PremultipliesStraightAlpha) {
    TempFolder folder;
    // Straight RGBA as a PNG holds it: opaque, half transparent, fully transparent.
    const std::vector<uint8_t> straight{200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0};
    PictureError kind = PictureError::too_large;
    const auto decoded = decode(straight_alpha_png(3, 1, straight, folder.path()), &kind);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(kind, PictureError::none);
    EXPECT_EQ(pixel_at(*decoded, 0, 0), (Rgba{200, 100, 50, 255}));
    EXPECT_EQ(pixel_at(*decoded, 1, 0), (Rgba{100, 50, 25, 128}));  // c * 128 / 255, rounded
    EXPECT_EQ(pixel_at(*decoded, 2, 0), (Rgba{0, 0, 0, 0}));
}

TEST(PictureDecode, ReadsJpegAndBmp) {
    TempFolder folder;
    const Picture source = red_top_blue_bottom(32, 32);
    const auto bmp = decode_picture(bmp_of(source, folder.path()));
    ASSERT_TRUE(bmp);
    EXPECT_TRUE(same_pixels(*bmp, source));

    const auto jpeg = decode_picture(jpeg_of(source, folder.path()));
    ASSERT_TRUE(jpeg);
    ASSERT_EQ(jpeg->width(), 32);
    ASSERT_EQ(jpeg->height(), 32);
    EXPECT_LE(colour_distance(pixel_at(*jpeg, 16, 4), kRed), 12);
    EXPECT_LE(colour_distance(pixel_at(*jpeg, 16, 27), kBlue), 12);
}

// CMYK JPEGs show their colours, not their ink: Adobe's inverted ink (red
// came out blue) and plain ink alike, small (full size) and large (reduced).
TEST(PictureDecode, CmykJpegsShowTheirColours) {
    const Rgba kGreen{0, 255, 0, 255}, kWhite{255, 255, 255, 255};
    for (const bool adobe : {true, false}) {
        for (const int width : {64, 1600}) {
            const int height = width * 3 / 4;
            const std::vector<uint8_t> jpeg = cmyk_jpeg(width, height, adobe);
            std::string error;
            const std::optional<Picture> full = decode_picture(jpeg, &error);
            const std::optional<Picture> fitted =
                decode_picture_reduced(jpeg, DecodeTarget{DecodeTarget::Kind::fit, kTextureSide}, &error);
            for (const auto* picture : {&full, &fitted}) {
                SCOPED_TRACE(std::string(adobe ? "Adobe" : "plain") + ", " + std::to_string(width) + " wide" +
                             (picture == &full ? "" : ", reduced"));
                ASSERT_TRUE(picture->has_value()) << error;
                const int w = (*picture)->width(), h = (*picture)->height();
                EXPECT_LE(colour_distance(pixel_at(**picture, w / 4, h / 4), kRed), 12);
                EXPECT_LE(colour_distance(pixel_at(**picture, 3 * w / 4, h / 4), kGreen), 12);
                EXPECT_LE(colour_distance(pixel_at(**picture, w / 4, 3 * h / 4), kBlue), 12);
                EXPECT_LE(colour_distance(pixel_at(**picture, 3 * w / 4, 3 * h / 4), kWhite), 12);
            }
        }
    }
}

TEST(PictureDecode, ReadsQoiAndPnmMadeByHand) {
    // QOI, 2 x 1: one literal RGB pixel (alpha stays 255), then a run of one; end marker.
    const std::string qoi("qoif\0\0\0\x02\0\0\0\x01\x04\0\xFE\x10\x20\x30\xC0\0\0\0\0\0\0\0\x01", 27);
    const auto decoded_qoi = decode_picture(std::span(reinterpret_cast<const uint8_t*>(qoi.data()), qoi.size()));
    ASSERT_TRUE(decoded_qoi);
    EXPECT_EQ(pixel_at(*decoded_qoi, 1, 0), (Rgba{0x10, 0x20, 0x30, 255}));

    const std::string pnm = "P6\n2 1\n255\n\x01\x02\x03\xFA\xFB\xFC";
    const auto decoded_pnm = decode_picture(std::span(reinterpret_cast<const uint8_t*>(pnm.data()), pnm.size()));
    ASSERT_TRUE(decoded_pnm);
    EXPECT_EQ(pixel_at(*decoded_pnm, 0, 0), (Rgba{1, 2, 3, 255}));
    EXPECT_EQ(pixel_at(*decoded_pnm, 1, 0), (Rgba{0xFA, 0xFB, 0xFC, 255}));
}

TEST(PictureDecode, TurnsAJpegUprightByItsExifOrientation) {
    TempFolder folder;
    std::vector<uint8_t> jpeg = jpeg_of(red_top_blue_bottom(64, 32), folder.path());
    // An Exif block right after the start-of-image marker: little-endian TIFF,
    // one directory entry, Orientation (274) = 6: the stored top is seen on the right.
    const std::vector<uint8_t> exif{0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                    1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 6,   0,   0,  0, 0, 0, 0, 0};
    jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
    const auto decoded = decode_picture(jpeg);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width(), 32);
    ASSERT_EQ(decoded->height(), 64);
    EXPECT_LE(colour_distance(pixel_at(*decoded, 28, 32), kRed), 12);
    EXPECT_LE(colour_distance(pixel_at(*decoded, 3, 32), kBlue), 12);
}

TEST(PictureDecode, RefusesDataThatIsNotAPicture) {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(4096);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    PictureError kind{};
    std::string error;
    EXPECT_FALSE(decode(noise, &kind, &error));
    EXPECT_EQ(kind, PictureError::undecodable);
    EXPECT_NE(error.find("not a picture"), std::string::npos) << error;

    EXPECT_FALSE(decode({}, &kind));
    EXPECT_EQ(kind, PictureError::undecodable);

    const std::vector<uint8_t> png = encode_png(red_top_blue_bottom(40, 40));
    EXPECT_FALSE(decode(std::vector<uint8_t>(png.begin(), png.begin() + 20), &kind));  // cut inside IHDR
    EXPECT_EQ(kind, PictureError::undecodable);
    EXPECT_FALSE(decode(std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2), &kind));
    EXPECT_EQ(kind, PictureError::undecodable);

    std::vector<uint8_t> scrambled = png;
    for (std::size_t i = 40; i < scrambled.size() - 12; ++i) scrambled[i] ^= 0x5A;
    EXPECT_FALSE(decode(scrambled, &kind));
    EXPECT_EQ(kind, PictureError::undecodable);

    // SDL2_image reads SVG, but its size cannot be checked before rasterising.
    const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='100000' height='100000'/>";
    EXPECT_FALSE(decode(std::vector<uint8_t>(svg.begin(), svg.end()), &kind));
    EXPECT_EQ(kind, PictureError::undecodable);
}

TEST(PictureDecode, RefusesPicturesLargerThan8192OnEitherSideBeforeDecoding) {
    const std::vector<uint8_t> png = encode_png(red_top_blue_bottom(8, 8));
    PictureError kind{};
    std::string error;
    EXPECT_FALSE(decode(with_png_size(png, 100000, 100000), &kind, &error));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_EQ(error, "picture too large: 100000 x 100000 pixels (at most 8192 x 8192)");

    EXPECT_FALSE(decode(with_png_size(png, 8193, 1), &kind));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_FALSE(decode(with_png_size(png, 1, 8193), &kind));
    EXPECT_EQ(kind, PictureError::too_large);
    EXPECT_FALSE(decode(with_png_size(png, 0xFFFFFFFF, 0xFFFFFFFF), &kind));
    EXPECT_EQ(kind, PictureError::too_large);
}

TEST(PictureDecode, AcceptsExactly8192) {
    const auto wide = decode_picture(encode_png(Picture(8192, 1)));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width(), 8192);
}

TEST(PictureDecode, RefusesOversizedJpegBmpAndGifHeaders) {
    TempFolder folder;
    const Picture source = red_top_blue_bottom(16, 16);
    PictureError kind{};

    std::vector<uint8_t> bmp = bmp_of(source, folder.path());
    bmp[18] = 0xA0, bmp[19] = 0x86, bmp[20] = 0x01, bmp[21] = 0x00;  // width 100000
    EXPECT_FALSE(decode(bmp, &kind));
    EXPECT_EQ(kind, PictureError::too_large);

    std::vector<uint8_t> jpeg = jpeg_of(source, folder.path());
    std::size_t at = 2;
    while (jpeg[at + 1] != 0xC0 && jpeg[at + 1] != 0xC2) at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    jpeg[at + 5] = 0xFD, jpeg[at + 6] = 0xE8;  // height 65000
    EXPECT_FALSE(decode(jpeg, &kind));
    EXPECT_EQ(kind, PictureError::too_large);

    // A 1 x 1 logical screen whose first image claims 60000 x 60000.
    const std::vector<uint8_t> gif{'G', 'I', 'F', '8',  '9',  'a',  1,    0, 1, 0, 0,    0,    0, 0x2C, 0,
                                   0,   0,   0,   0x60, 0xEA, 0x60, 0xEA, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    EXPECT_FALSE(decode(gif, &kind));
    EXPECT_EQ(kind, PictureError::too_large);
}

TEST(PictureValue, CopiesOwnTheirPixelsAndMovesLeaveAnEmptyPicture) {
    Picture original = red_top_blue_bottom(4, 4);
    Picture copy = original;
    copy.pixel(1, 1)[0] = 7;
    EXPECT_EQ(original.pixel(1, 1)[0], 255);

    Picture moved = std::move(original);
    EXPECT_EQ(moved.width(), 4);
    EXPECT_TRUE(original.empty());  // NOLINT(bugprone-use-after-move): the state is defined
    EXPECT_EQ(original.byte_count(), 0u);
    EXPECT_TRUE(Picture(-3, 5).empty());
}

TEST(PngEncoding, RoundTripsEveryPremultipliedPixelExactly) {
    std::mt19937 random(11);
    const Picture source = make_picture(37, 23, [&](int, int) {
        const auto alpha = static_cast<uint8_t>(random());
        auto channel = [&] { return static_cast<uint8_t>(alpha == 0 ? 0 : random() % (alpha + 1u)); };
        return Rgba{channel(), channel(), channel(), alpha};
    });
    const auto decoded = decode_picture(encode_png(source));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(same_pixels(*decoded, source));
}

TEST(PngEncoding, StoresStraightAlpha) {
    const Picture half = make_picture(1, 1, [](int, int) { return Rgba{100, 50, 25, 128}; });
    const std::vector<uint8_t> png = encode_png(half);
    ASSERT_FALSE(png.empty());
    SDL_Surface* loaded = IMG_Load_RW(SDL_RWFromConstMem(png.data(), static_cast<int>(png.size())), 1);
    ASSERT_NE(loaded, nullptr) << IMG_GetError();
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    const auto* p = static_cast<const uint8_t*>(rgba->pixels);
    EXPECT_EQ((Rgba{p[0], p[1], p[2], p[3]}), (Rgba{199, 100, 50, 128}));  // 100 * 255 / 128, rounded
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(loaded);
}

TEST(PngEncoding, EmptyPictureGivesNothing) {
    EXPECT_TRUE(encode_png(Picture()).empty());
    EXPECT_TRUE(encode_png(Picture(0, 5)).empty());
}

TEST(PictureFiles, SaveAndLoadAgain) {
    TempFolder folder;
    const auto path = folder.path() / "picture.png";
    const Picture first = red_top_blue_bottom(20, 12);
    ASSERT_TRUE(save_png_file(first, path));
    const Picture second = make_picture(5, 7, [](int, int) { return kWhite; });
    std::string error;
    ASSERT_TRUE(save_png_file(second, path, &error)) << error;  // replaces the first

    const auto loaded = load_picture_file(path);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(same_pixels(*loaded, second));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporary left
}

TEST(PictureFiles, AFailedSaveLeavesNothingBehind) {
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(save_png_file(red_top_blue_bottom(4, 4), folder.path() / "missing" / "picture.png", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(save_png_file(Picture(), folder.path() / "empty.png", &error));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(PictureFiles, ReportsWhatWentWrong) {
    TempFolder folder;
    PictureError kind{};
    std::string error;
    EXPECT_FALSE(load_picture_file(folder.path() / "absent.png", &error, &kind));
    EXPECT_EQ(kind, PictureError::unreadable_file);
    EXPECT_NE(error.find("absent.png"), std::string::npos) << error;

    EXPECT_FALSE(load_picture_file(folder.path(), &error, &kind));  // a folder
    EXPECT_EQ(kind, PictureError::unreadable_file);

    write_bytes(folder.path() / "empty.png", {});
    EXPECT_FALSE(load_picture_file(folder.path() / "empty.png", &error, &kind));
    EXPECT_EQ(kind, PictureError::undecodable);

    write_bytes(folder.path() / "huge.png", with_png_size(encode_png(Picture(2, 2)), 100000, 100000));
    EXPECT_FALSE(load_picture_file(folder.path() / "huge.png", &error, &kind));
    EXPECT_EQ(kind, PictureError::too_large);
}

}  // namespace
}  // namespace lumo::testing
