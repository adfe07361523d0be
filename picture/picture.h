#pragma once
// Pictures as the surface shows them: decoded to 8-bit RGBA with premultiplied
// alpha, fitted into the 512 x 512 texture, and encoded as PNG for shape files.
// Called on the picture worker as well as the main thread: nothing here keeps
// state between calls except the one-time SDL2_image set-up, which is safe
// from any thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lumo {

// 8-bit RGBA, premultiplied alpha, rows top to bottom (the first byte row is
// the picture's top row), no padding between rows.
class Picture {
public:
    Picture() = default;
    Picture(int width, int height);  // transparent black; a side <= 0 gives an empty picture
    Picture(const Picture&) = default;
    Picture& operator=(const Picture&) = default;
    // A moved-from picture is empty, never a size without pixels.
    Picture(Picture&& other) noexcept { *this = std::move(other); }
    Picture& operator=(Picture&& other) noexcept {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        bytes_ = std::move(other.bytes_);
        other.bytes_.clear();
        return *this;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    uint8_t* pixels() { return bytes_.data(); }
    const uint8_t* pixels() const { return bytes_.data(); }
    std::size_t byte_count() const { return bytes_.size(); }  // width * height * 4
    uint8_t* pixel(int x, int y) { return bytes_.data() + (static_cast<std::size_t>(y) * width_ + x) * 4; }
    const uint8_t* pixel(int x, int y) const { return bytes_.data() + (static_cast<std::size_t>(y) * width_ + x) * 4; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> bytes_;
};

inline constexpr int kMaxPictureSide = 8192;  // larger pictures are refused
inline constexpr int kTextureSide = 512;

// Why a picture could not be had. too_large is told apart because a shape
// file whose picture is too large is handled differently from one whose
// picture does not decode.
enum class PictureError { none, undecodable, too_large, unreadable_file };

// Decodes PNG, JPEG, GIF, BMP, WebP, TIFF, QOI or PNM data with SDL2_image.
// The size is read from the header and checked before anything is decoded, so
// a picture that claims to be huge costs nothing; formats whose size cannot be
// read that way (SVG, XPM, ...) are refused. A JPEG's Exif orientation is
// applied. On failure: nullopt, a one-line *error and the *kind.
std::optional<Picture> decode_picture(std::span<const uint8_t> bytes, std::string* error = nullptr,
                                      PictureError* kind = nullptr);
std::optional<Picture> load_picture_file(const std::filesystem::path& path, std::string* error = nullptr,
                                         PictureError* kind = nullptr);

// Pixels decoded elsewhere (a browser's canvas): straight-alpha RGBA rows,
// top first, premultiplied into a Picture. Empty when the byte count is not
// width * height * 4 or a side is outside 1..kMaxPictureSide.
Picture picture_from_straight_rgba(int width, int height, std::span<const uint8_t> rgba);

// "picture too large: W x H pixels (at most ...)", as decoding says it.
std::string picture_too_large_message(uint64_t width, uint64_t height);

// What a file no decoder recognises is, in a user's words; and one whose
// header names a format (JPEG, PNG, ...) that turns out not to decode. The
// decoders' own messages stay out: they name their library and its insides.
inline constexpr const char* kNotAPicture = "not a picture lumo can open";
std::string damaged_picture_words(const std::string& format);

// Where a width x height picture lands when fitted into side x side, all in
// single precision: scale = side / height when width > height, else side / width
// (the shorter side fills the square); drawn size (width * scale, height * scale);
// origin ((side - drawn width) * 0.5, (side - drawn height) * 0.5), so the longer
// side overflows equally on both ends.
struct FitRect {
    float scale = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};
FitRect fit_rect(int width, int height, int side = kTextureSide);

// The picture redrawn into side x side at fit_rect: centred, the overflow cut
// off, small pictures enlarged. An empty picture (or a failed allocation)
// gives an empty picture.
Picture fit_picture(const Picture& picture, int side = kTextureSide);

// PNG of the picture with straight (un-premultiplied) alpha; empty on failure,
// and for an empty picture, which PNG cannot hold.
std::vector<uint8_t> encode_png(const Picture& picture);
// Writes through a temporary file in the same folder, so the target is either
// the complete new PNG or left as it was.
bool save_png_file(const Picture& picture, const std::filesystem::path& path, std::string* error = nullptr);

}  // namespace lumo
