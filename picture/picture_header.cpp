#include "picture/picture_header.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace lumo {
namespace {

// Reads past the end give 0: every caller checks sizes it depends on, and a
// zero size is how a cut-short header shows.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::size_t size() const { return bytes_.size(); }
    uint32_t u8(std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0u; }
    uint32_t be16(std::size_t at) const { return u8(at) << 8 | u8(at + 1); }
    uint32_t le16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    uint32_t be32(std::size_t at) const { return be16(at) << 16 | be16(at + 2); }
    uint32_t le32(std::size_t at) const { return le16(at) | le16(at + 2) << 16; }
    uint32_t le24(std::size_t at) const { return le16(at) | u8(at + 2) << 16; }
    bool starts_with(std::size_t at, std::string_view text) const {
        return at <= bytes_.size() && text.size() <= bytes_.size() - at &&
               std::memcmp(bytes_.data() + at, text.data(), text.size()) == 0;
    }
    Bytes from(std::size_t at, std::size_t count) const {
        if (at >= bytes_.size()) return Bytes({});
        return Bytes(bytes_.subspan(at, std::min(count, bytes_.size() - at)));
    }

private:
    std::span<const uint8_t> bytes_;
};

PictureHeader sized(PictureFormat format, uint32_t width, uint32_t height) {
    PictureHeader header;
    header.format = format;
    header.width = width;
    header.height = height;
    return header;
}

// --- TIFF (also the body of a JPEG's Exif block) ------------------------------

struct TiffFields {
    uint32_t width = 0;
    uint32_t height = 0;
    int orientation = 1;
};

bool is_tiff(const Bytes& bytes) {
    return (bytes.starts_with(0, "II") && bytes.le16(2) == 42) || (bytes.starts_with(0, "MM") && bytes.be16(2) == 42);
}

TiffFields read_tiff_first_directory(const Bytes& tiff) {
    TiffFields fields;
    if (!is_tiff(tiff)) return fields;
    const bool big_endian = tiff.starts_with(0, "MM");
    auto u16 = [&](std::size_t at) { return big_endian ? tiff.be16(at) : tiff.le16(at); };
    auto u32 = [&](std::size_t at) { return big_endian ? tiff.be32(at) : tiff.le32(at); };

    const std::size_t directory = u32(4);
    const uint32_t entry_count = u16(directory);
    for (uint32_t i = 0; i < entry_count; ++i) {
        const std::size_t entry = directory + 2 + 12 * static_cast<std::size_t>(i);
        if (entry + 12 > tiff.size()) break;
        const uint32_t tag = u16(entry);
        const uint32_t type = u16(entry + 2);
        // A single SHORT sits in the first two bytes of the value field.
        const uint32_t value = type == 3 ? u16(entry + 8) : type == 4 ? u32(entry + 8) : 0;
        if (tag == 256) fields.width = value;
        if (tag == 257) fields.height = value;
        if (tag == 274 && value >= 1 && value <= 8) fields.orientation = static_cast<int>(value);
    }
    return fields;
}

// --- JPEG ----------------------------------------------------------------------

bool is_start_of_frame(uint32_t marker) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool has_no_length(uint32_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8); }

// Walks the segments as a decoder would, up to the frame header; stops at the
// first scan, after which no size may appear.
PictureHeader read_jpeg(const Bytes& bytes) {
    PictureHeader header = sized(PictureFormat::jpeg, 0, 0);
    std::size_t at = 2;
    while (at < bytes.size()) {
        // Decoders skip stray bytes before a marker, and any run of fill bytes.
        while (at < bytes.size() && bytes.u8(at) != 0xFF) ++at;
        while (at < bytes.size() && bytes.u8(at) == 0xFF) ++at;
        if (at >= bytes.size()) break;
        const uint32_t marker = bytes.u8(at++);
        if (has_no_length(marker)) continue;
        if (marker == 0xD9 || marker == 0xDA) break;
        const uint32_t length = bytes.be16(at);
        if (length < 2) break;
        if (is_start_of_frame(marker)) {
            header.height = bytes.be16(at + 3);
            header.width = bytes.be16(at + 5);
            break;
        }
        if (marker == 0xE1 && bytes.starts_with(at + 2, std::string_view("Exif\0\0", 6))) {
            header.orientation = read_tiff_first_directory(bytes.from(at + 8, length - 8)).orientation;
        }
        at += length;
    }
    return header;
}

// --- GIF -----------------------------------------------------------------------

// The decoder sizes its surface by the first image, which may be larger than
// the logical screen; take the larger of the two.
PictureHeader read_gif(const Bytes& bytes) {
    uint32_t width = bytes.le16(6);
    uint32_t height = bytes.le16(8);
    std::size_t at = 13;
    const uint32_t flags = bytes.u8(10);
    if (flags & 0x80) at += 3u << ((flags & 7) + 1);  // global colour table
    while (at < bytes.size()) {
        const uint32_t block = bytes.u8(at);
        if (block == 0x2C) {  // image descriptor
            if (at + 10 > bytes.size()) return sized(PictureFormat::gif, 0, 0);
            width = std::max(width, bytes.le16(at + 5));
            height = std::max(height, bytes.le16(at + 7));
            return sized(PictureFormat::gif, width, height);
        }
        if (block != 0x21) break;  // trailer or garbage: no image
        at += 2;  // introducer and label, then sub-blocks to a zero length
        while (at < bytes.size() && bytes.u8(at) != 0) at += 1 + bytes.u8(at);
        ++at;
    }
    return sized(PictureFormat::gif, 0, 0);
}

// --- BMP -----------------------------------------------------------------------

PictureHeader read_bmp(const Bytes& bytes) {
    if (bytes.size() < 26) return sized(PictureFormat::bmp, 0, 0);
    if (bytes.le32(14) == 12) return sized(PictureFormat::bmp, bytes.le16(18), bytes.le16(20));
    // Signed: a negative height means rows stored top down.
    const int64_t width = static_cast<int32_t>(bytes.le32(18));
    const int64_t height = static_cast<int32_t>(bytes.le32(22));
    const auto magnitude = [](int64_t v) {
        return static_cast<uint32_t>(std::min<int64_t>(v < 0 ? -v : v, UINT32_MAX));
    };
    return sized(PictureFormat::bmp, magnitude(width), magnitude(height));
}

// --- WebP ----------------------------------------------------------------------

PictureHeader read_webp(const Bytes& bytes) {
    if (bytes.size() < 30) return sized(PictureFormat::webp, 0, 0);
    if (bytes.starts_with(12, "VP8 ")) {
        return sized(PictureFormat::webp, bytes.le16(26) & 0x3FFF, bytes.le16(28) & 0x3FFF);
    }
    if (bytes.starts_with(12, "VP8L")) {
        const uint32_t bits = bytes.le32(21);
        return sized(PictureFormat::webp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (bytes.starts_with(12, "VP8X")) {
        return sized(PictureFormat::webp, bytes.le24(24) + 1, bytes.le24(27) + 1);
    }
    return sized(PictureFormat::webp, 0, 0);
}

// --- PNM -----------------------------------------------------------------------

bool is_pnm_space(uint32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Reads one decimal number after white space and comments; 0 when there is
// none. Numbers beyond 32 bits saturate, which still reads as too large.
uint32_t read_pnm_number(const Bytes& bytes, std::size_t& at) {
    while (at < bytes.size()) {
        if (bytes.u8(at) == '#') {
            while (at < bytes.size() && bytes.u8(at) != '\n' && bytes.u8(at) != '\r') ++at;
        } else if (is_pnm_space(bytes.u8(at))) {
            ++at;
        } else {
            break;
        }
    }
    uint64_t value = 0;
    while (at < bytes.size() && bytes.u8(at) >= '0' && bytes.u8(at) <= '9') {
        value = std::min<uint64_t>(value * 10 + (bytes.u8(at) - '0'), UINT32_MAX);
        ++at;
    }
    return static_cast<uint32_t>(value);
}

PictureHeader read_pnm(const Bytes& bytes) {
    std::size_t at = 2;
    const uint32_t width = read_pnm_number(bytes, at);
    const uint32_t height = read_pnm_number(bytes, at);
    return sized(PictureFormat::pnm, width, height);
}

}  // namespace

PictureHeader read_picture_header(std::span<const uint8_t> data) {
    const Bytes bytes(data);
    if (bytes.starts_with(0, "\x89PNG\r\n\x1A\n")) {
        // The first chunk must be IHDR; a decoder refuses anything else.
        if (bytes.size() < 24 || !bytes.starts_with(12, "IHDR")) return sized(PictureFormat::png, 0, 0);
        return sized(PictureFormat::png, bytes.be32(16), bytes.be32(20));
    }
    if (bytes.u8(0) == 0xFF && bytes.u8(1) == 0xD8) return read_jpeg(bytes);
    if (bytes.starts_with(0, "GIF87a") || bytes.starts_with(0, "GIF89a")) return read_gif(bytes);
    if (bytes.starts_with(0, "BM")) return read_bmp(bytes);
    if (bytes.starts_with(0, "RIFF") && bytes.starts_with(8, "WEBP")) return read_webp(bytes);
    if (is_tiff(bytes)) {
        const TiffFields fields = read_tiff_first_directory(bytes);
        return sized(PictureFormat::tiff, fields.width, fields.height);
    }
    if (bytes.starts_with(0, "qoif")) return sized(PictureFormat::qoi, bytes.be32(4), bytes.be32(8));
    if (bytes.u8(0) == 'P' && bytes.u8(1) >= '1' && bytes.u8(1) <= '6' && is_pnm_space(bytes.u8(2))) {
        return read_pnm(bytes);
    }
    return {};
}

const char* picture_format_name(PictureFormat format) {
    switch (format) {
        case PictureFormat::png: return "PNG";
        case PictureFormat::jpeg: return "JPEG";
        case PictureFormat::gif: return "GIF";
        case PictureFormat::bmp: return "BMP";
        case PictureFormat::webp: return "WebP";
        case PictureFormat::tiff: return "TIFF";
        case PictureFormat::qoi: return "QOI";
        case PictureFormat::pnm: return "PNM";
        case PictureFormat::unknown: break;
    }
    return "unknown";
}

}  // namespace lumo
