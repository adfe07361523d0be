// Sizes read from headers without decoding, and Exif orientations.

#include "picture/picture_header.h"
#include "picture/picture_orientation.h"

#include <string>

#include "picture_test_support.h"

namespace lumo::testing {
namespace {

PictureHeader header_of(const std::string& text) {
    return read_picture_header(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

PictureHeader header_of(const std::vector<uint8_t>& bytes) { return read_picture_header(bytes); }

void expect_size(const PictureHeader& header, PictureFormat format, uint32_t width, uint32_t height) {
    EXPECT_EQ(header.format, format) << picture_format_name(header.format);
    EXPECT_EQ(header.width, width);
    EXPECT_EQ(header.height, height);
}

TEST(PictureHeader, ReadsTheSizeOfEachFormat) {
    expect_size(header_of(encode_png(Picture(300, 7))), PictureFormat::png, 300, 7);
    expect_size(header_of(std::string("P6\n# made by hand\n640 480\n255\n")), PictureFormat::pnm, 640, 480);
    expect_size(header_of(std::string("qoif\0\0\x01\0\0\0\0\x02\x04\0", 14)), PictureFormat::qoi, 256, 2);
    // VP8L packs width - 1 and height - 1 in 14 bits each: 100 x 3.
    expect_size(header_of(std::string("RIFF\0\0\0\0WEBPVP8L\0\0\0\0\x2F\x63\x80\0\0\0\0\0\0\0", 30)),
                PictureFormat::webp, 100, 3);
    // VP8X: a 24-bit canvas size minus one, 20000 x 10.
    expect_size(header_of(std::string("RIFF\0\0\0\0WEBPVP8X\x0A\0\0\0\0\0\0\0\x1F\x4E\0\x09\0\0", 30)),
                PictureFormat::webp, 20000, 10);
    // Big-endian TIFF: width as a SHORT, height as a LONG.
    expect_size(header_of(std::string("MM\0\x2A\0\0\0\x08\0\x02"
                                      "\x01\x00\0\x03\0\0\0\x01\x01\x2C\0\0"
                                      "\x01\x01\0\x04\0\0\0\x01\0\x01\x86\xA0",
                                      34)),
                PictureFormat::tiff, 300, 100000);
}

TEST(PictureHeader, BmpStoredTopDownHasAPositiveHeight) {
    std::string bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40;
    bmp[18] = 10;  // width 10
    bmp[22] = '\xF6', bmp[23] = bmp[24] = bmp[25] = '\xFF';  // height -10
    expect_size(header_of(bmp), PictureFormat::bmp, 10, 10);
}

TEST(PictureHeader, CutShortOrUnknownGivesNoSize) {
    const std::vector<uint8_t> png = encode_png(Picture(3, 3));
    expect_size(header_of(std::vector<uint8_t>(png.begin(), png.begin() + 18)), PictureFormat::png, 0, 0);
    // A JPEG whose scan starts before any frame header.
    expect_size(header_of(std::string("\xFF\xD8\xFF\xDA\0\x02", 6)), PictureFormat::jpeg, 0, 0);
    expect_size(header_of(std::string("GIF89a\x01\0\x01\0\0\0\0\x3B", 14)), PictureFormat::gif, 0, 0);  // no image
    expect_size(header_of(std::string("<svg width='9'/>")), PictureFormat::unknown, 0, 0);
    expect_size(header_of(std::vector<uint8_t>{}), PictureFormat::unknown, 0, 0);
}

TEST(PictureHeader, OverlongNumbersStillReadAsHuge) {
    const PictureHeader pnm = header_of(std::string("P5 99999999999999999999 4 255\n"));
    EXPECT_EQ(pnm.width, UINT32_MAX);
    EXPECT_EQ(pnm.height, 4u);
}

// A 3 x 2 picture whose four corners are told apart by their red byte.
constexpr uint8_t kTopLeft = 10, kTopRight = 20, kBottomLeft = 30, kBottomRight = 40;

Picture corners() {
    return make_picture(3, 2, [](int x, int y) {
        const uint8_t left = y == 0 ? kTopLeft : kBottomLeft;
        const uint8_t right = y == 0 ? kTopRight : kBottomRight;
        const uint8_t red = x == 0 ? left : x == 2 ? right : 0;
        return Rgba{red, 0, 0, 255};
    });
}

TEST(PictureOrientation, PutsTheCornersWhereExifSaysTheyAreSeen) {
    struct Case {
        int orientation;
        uint8_t upright_top_left, upright_top_right;
    };
    // From Exif's wording, e.g. 6: "row 0 is the visual right side, column 0 the visual top".
    const Case cases[] = {
        {1, kTopLeft, kTopRight},       {2, kTopRight, kTopLeft},     {3, kBottomRight, kBottomLeft},
        {4, kBottomLeft, kBottomRight}, {5, kTopLeft, kBottomLeft},   {6, kBottomLeft, kTopLeft},
        {7, kBottomRight, kTopRight},   {8, kTopRight, kBottomRight},
    };
    for (const Case& c : cases) {
        const Picture upright = upright_picture(corners(), c.orientation);
        const bool turned = c.orientation >= 5;
        ASSERT_EQ(upright.width(), turned ? 2 : 3) << c.orientation;
        ASSERT_EQ(upright.height(), turned ? 3 : 2) << c.orientation;
        EXPECT_EQ(pixel_at(upright, 0, 0)[0], c.upright_top_left) << c.orientation;
        EXPECT_EQ(pixel_at(upright, upright.width() - 1, 0)[0], c.upright_top_right) << c.orientation;
    }
    EXPECT_TRUE(same_pixels(upright_picture(corners(), 0), corners()));
    EXPECT_TRUE(same_pixels(upright_picture(corners(), 9), corners()));
}

}  // namespace
}  // namespace lumo::testing
