// Fitting a picture into the 512 x 512 texture: the geometry in single
// precision, and what of the picture ends up where.

#include "picture_test_support.h"

namespace lumo::testing {
namespace {

// Distinct, fully saturated colours for bands, so that a neighbour leaking
// in or a band landing in the wrong place shows.
Rgba band_colour(int band) {
    static constexpr Rgba kColours[] = {
        {255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},     {255, 255, 0, 255},
        {255, 0, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 255}, {0, 0, 0, 255},
        {128, 0, 0, 255},   {0, 128, 0, 255},   {0, 0, 128, 255},     {128, 128, 0, 255},
        {128, 0, 128, 255}, {0, 128, 128, 255}, {128, 128, 128, 255}, {255, 128, 0, 255},
    };
    return kColours[band];
}

// 16 equal column bands (or row bands).
Picture column_bands(int width, int height) {
    return make_picture(width, height, [&](int x, int) { return band_colour(x * 16 / width); });
}
Picture row_bands(int width, int height) {
    return make_picture(width, height, [&](int, int y) { return band_colour(y * 16 / height); });
}

// The band whose colour is nearest; checks that the colour is that band's, give or take rounding.
int band_seen(const Rgba& colour) {
    int best = 0;
    for (int band = 1; band < 16; ++band) {
        if (colour_distance(colour, band_colour(band)) < colour_distance(colour, band_colour(best))) best = band;
    }
    return best;
}

TEST(FitRect, FollowsTheSinglePrecisionFormulas) {
    struct Case {
        int w, h;
    };
    const Case cases[] = {{1024, 768}, {640, 480}, {480, 640}, {256, 128}, {1, 8192}, {41, 41}};
    for (const Case c : cases) {
        const FitRect r = fit_rect(c.w, c.h);
        const float w = static_cast<float>(c.w), h = static_cast<float>(c.h);
        const float s = c.w > c.h ? 512.0f / h : 512.0f / w;
        EXPECT_EQ(r.scale, s) << c.w << " x " << c.h;
        EXPECT_EQ(r.width, w * s);
        EXPECT_EQ(r.height, h * s);
        EXPECT_EQ(r.x, (512.0f - w * s) * 0.5f);
        EXPECT_EQ(r.y, (512.0f - h * s) * 0.5f);
    }
}

TEST(FitRect, ShorterSideFillsTheSquare) {
    const FitRect landscape = fit_rect(1024, 768);
    EXPECT_NEAR(landscape.scale, 2.0f / 3.0f, 1e-7);
    EXPECT_NEAR(landscape.width, 682.67f, 0.01f);
    EXPECT_NEAR(landscape.x, -85.33f, 0.01f);
    EXPECT_EQ(landscape.y, 0.0f);

    const FitRect camera = fit_rect(640, 480);
    EXPECT_NEAR(camera.width, 682.67f, 0.01f);
    EXPECT_NEAR(camera.x, -85.33f, 0.01f);

    const FitRect portrait = fit_rect(480, 640);
    EXPECT_EQ(portrait.x, 0.0f);
    EXPECT_NEAR(portrait.y, -85.33f, 0.01f);

    const FitRect small = fit_rect(256, 128);
    EXPECT_EQ(small.scale, 4.0f);
    EXPECT_EQ(small.width, 1024.0f);
    EXPECT_EQ(small.x, -256.0f);
    EXPECT_EQ(small.y, 0.0f);

    // Squares: the origin is 0 up to the rounding of side / w * w.
    for (int side : {1, 41, 300, 512, 8192}) {
        const FitRect square = fit_rect(side, side);
        EXPECT_NEAR(square.x, 0.0f, 1e-4f) << side;
        EXPECT_EQ(square.x, square.y);
        EXPECT_NEAR(square.width, 512.0f, 1e-4f) << side;
    }
}

TEST(FitPicture, LandscapeShowsTheMiddleAndCutsEqualStripsOffBothSides) {
    // 1024 x 768 in 64-pixel bands: 128 columns (bands 0, 1 and 14, 15) are cut off each side.
    const Picture fitted = fit_picture(column_bands(1024, 768));
    ASSERT_EQ(fitted.width(), 512);
    ASSERT_EQ(fitted.height(), 512);
    const FitRect r = fit_rect(1024, 768);
    for (int band = 2; band <= 13; ++band) {
        // Middle of the band on the texture: (64 band + 32) s + x.
        const int x = static_cast<int>((64.0f * band + 32.0f) * r.scale + r.x);
        for (int y : {0, 255, 511}) {
            EXPECT_LE(colour_distance(pixel_at(fitted, x, y), band_colour(band)), 1)
                << "band " << band << " at " << x << ", " << y << ": " << describe(pixel_at(fitted, x, y));
        }
    }
    EXPECT_EQ(band_seen(pixel_at(fitted, 0, 100)), 2);
    EXPECT_EQ(band_seen(pixel_at(fitted, 511, 100)), 13);
}

TEST(FitPicture, HonoursTheFractionalOrigin) {
    // A black-to-white step at column 640 of 1024 x 768 lands at 640 s - 85.33
    // = 341.33 on the texture: the centre of column 341 (341.5) lies just past
    // it, that of column 340 well before it. An origin rounded to -85 would put
    // the step at 341.67 and leave column 341 mostly black.
    const Picture step = make_picture(1024, 768, [](int x, int) {
        return x < 640 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255};
    });
    const Picture fitted = fit_picture(step);
    const FitRect r = fit_rect(1024, 768);
    ASSERT_NEAR(640.0f * r.scale + r.x, 341.33f, 0.01f);
    const int just_past = pixel_at(fitted, 341, 100)[0];
    EXPECT_GT(just_past, 140);
    EXPECT_LT(just_past, 240);
    EXPECT_LT(int{pixel_at(fitted, 340, 100)[0]}, 60);
}

TEST(FitPicture, PortraitCutsTopAndBottomEqually) {
    const Picture fitted = fit_picture(row_bands(480, 640));
    const FitRect r = fit_rect(480, 640);
    for (int band = 2; band <= 13; ++band) {
        const int y = static_cast<int>((40.0f * band + 20.0f) * r.scale + r.y);
        EXPECT_LE(colour_distance(pixel_at(fitted, 200, y), band_colour(band)), 1)
            << "band " << band << " at row " << y;
    }
    EXPECT_EQ(band_seen(pixel_at(fitted, 100, 0)), 2);
    EXPECT_EQ(band_seen(pixel_at(fitted, 100, 511)), 13);
}

TEST(FitPicture, SmallPictureIsEnlargedAndItsMiddleHalfFills) {
    // 256 x 128 in 16-pixel bands, enlarged 4 times: bands 4 to 11, 64 texture
    // columns each. The filter reaches 8 texture columns across a band's edge.
    const Picture fitted = fit_picture(column_bands(256, 128));
    for (int band = 4; band <= 11; ++band) {
        for (int x = (band - 4) * 64 + 8; x < (band - 3) * 64 - 8; x += 6) {
            EXPECT_LE(colour_distance(pixel_at(fitted, x, 300), band_colour(band)), 1)
                << "band " << band << " at " << x;
        }
    }
    EXPECT_EQ(band_seen(pixel_at(fitted, 0, 0)), 4);
    EXPECT_EQ(band_seen(pixel_at(fitted, 511, 511)), 11);
}

TEST(FitPicture, SquareFillsTheWholeTexture) {
    // Quadrants of a 300 x 300 picture stay quadrants, out to every edge.
    const Picture quadrants =
        make_picture(300, 300, [](int x, int y) { return band_colour((y >= 150) * 2 + (x >= 150)); });
    const Picture fitted = fit_picture(quadrants);
    for (int i : {0, 200, 311, 511}) {
        EXPECT_EQ(band_seen(pixel_at(fitted, i, 0)), i < 256 ? 0 : 1);
        EXPECT_EQ(band_seen(pixel_at(fitted, i, 511)), i < 256 ? 2 : 3);
        EXPECT_EQ(band_seen(pixel_at(fitted, 0, i)), i < 256 ? 0 : 2);
        EXPECT_EQ(band_seen(pixel_at(fitted, 511, i)), i < 256 ? 1 : 3);
    }
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; x += 511) ASSERT_EQ(pixel_at(fitted, x, y)[3], 255) << x << ", " << y;
    }
}

TEST(FitPicture, A512SquarePassesThroughUnchanged) {
    uint32_t seed = 1;
    const Picture noise = make_picture(512, 512, [&](int, int) {
        seed = seed * 1103515245u + 12345u;
        const auto alpha = static_cast<uint8_t>(seed >> 16);
        return Rgba{static_cast<uint8_t>(alpha / 2), static_cast<uint8_t>(alpha / 3), alpha, alpha};
    });
    EXPECT_TRUE(same_pixels(fit_picture(noise), noise));
}

TEST(FitPicture, BlendsPremultipliedColoursWithoutBrighteningTransparency) {
    // Opaque red stripes between fully transparent ones, shrunk: blended pixels
    // must stay valid premultiplied colours (colour never above alpha).
    const Picture stripes = make_picture(1000, 1000, [](int x, int) {
        return (x / 7) % 2 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 0, 0};
    });
    const Picture fitted = fit_picture(stripes);
    bool partly_transparent = false;
    for (int x = 0; x < 512; ++x) {
        const Rgba p = pixel_at(fitted, x, 256);
        ASSERT_LE(p[0], p[3] + 1) << "column " << x << ": " << describe(p);
        partly_transparent |= p[3] > 0 && p[3] < 255;
    }
    EXPECT_TRUE(partly_transparent);
}

TEST(FitPicture, EmptyGivesEmptyAndOnePixelFillsEverything) {
    EXPECT_TRUE(fit_picture(Picture()).empty());
    const Picture dot = make_picture(1, 1, [](int, int) { return Rgba{10, 20, 30, 40}; });
    const Picture fitted = fit_picture(dot);
    ASSERT_EQ(fitted.width(), 512);
    for (int i = 0; i < 512; i += 73) EXPECT_EQ(pixel_at(fitted, i, 511 - i), (Rgba{10, 20, 30, 40}));
}

}  // namespace
}  // namespace lumo::testing
