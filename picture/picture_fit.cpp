#include "picture/picture.h"

#include <stb_image_resize.h>

namespace lumo {

FitRect fit_rect(int width, int height, int side) {
    FitRect rect;
    if (width <= 0 || height <= 0) return rect;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float s = static_cast<float>(side);
    rect.scale = width > height ? s / h : s / w;
    rect.width = w * rect.scale;
    rect.height = h * rect.scale;
    rect.x = (s - rect.width) * 0.5f;
    rect.y = (s - rect.height) * 0.5f;
    return rect;
}

Picture fit_picture(const Picture& picture, int side) {
    if (picture.empty() || side <= 0) return {};
    // Already the square: Catmull-Rom at scale 1 and no offset gives it back
    // unchanged, so it is not run (the browser hands pictures over fitted).
    if (picture.width() == side && picture.height() == side) return picture;
    const FitRect rect = fit_rect(picture.width(), picture.height(), side);
    Picture fitted(side, side);
    // stb maps source x to x * scale - shift in output pixels, so the shift is
    // the negated origin; it keeps the fractional part (-85.33 stays -85.33).
    // The drawn rectangle covers the whole square, so the edge mode only
    // shapes the filter's reach past the picture's own border. stb's default
    // at scale 1 is its (blurring) shrinking filter; Catmull-Rom interpolates,
    // so a 512 x 512 picture comes through unchanged.
    const stbir_filter filter = rect.scale >= 1.0f ? STBIR_FILTER_CATMULLROM : STBIR_FILTER_MITCHELL;
    const int done = stbir_resize_subpixel(
        picture.pixels(), picture.width(), picture.height(), picture.width() * 4, fitted.pixels(), side, side, side * 4,
        STBIR_TYPE_UINT8, 4, 3, STBIR_FLAG_ALPHA_PREMULTIPLIED, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP, filter, filter,
        STBIR_COLORSPACE_LINEAR, nullptr, rect.scale, rect.scale, -rect.x, -rect.y);
    if (!done) return {};
    return fitted;
}

}  // namespace lumo
