#pragma once
// What the first bytes of a picture say about it, read without decoding:
// the format, the size, and for JPEG the Exif orientation. Lets a picture
// that claims to be enormous be refused before any decoder allocates for it.

#include <cstdint>
#include <span>

namespace lumo {

enum class PictureFormat { unknown, png, jpeg, gif, bmp, webp, tiff, qoi, pnm };

struct PictureHeader {
    PictureFormat format = PictureFormat::unknown;
    // 0 when the format is known but its size could not be found (a header
    // cut short, or a JPEG with no frame header before its first scan).
    uint32_t width = 0;
    uint32_t height = 0;
    // Exif orientation, 1 to 8: how the stored rows must be turned to show
    // the picture upright. 1 (as stored) when absent or invalid.
    int orientation = 1;
};

PictureHeader read_picture_header(std::span<const uint8_t> bytes);

const char* picture_format_name(PictureFormat format);

}  // namespace lumo
