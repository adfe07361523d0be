#pragma once
// Getting a picture ready for the dome without ever holding a large picture
// at its full size: decode at reduced size where the format allows (JPEG at
// 1/2, 1/4 or 1/8; PNG row by row into a running reduction), then fit into the
// 512 x 512 texture as fit_picture does. Pure computation, safe on any thread;
// picture/picture_jobs.h runs it off the main thread.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace lumo {

// The most pixels a picture may have to be decoded at full size: 2048 x 2048
// (16 MiB as RGBA, with its copies well inside the 64 MB a picture may cost).
// Larger PNGs and JPEGs are decoded reduced; larger pictures of other formats
// are refused.
inline constexpr uint64_t kFullDecodePixels = uint64_t{2048} * 2048;

// How small a decoded picture may become.
struct DecodeTarget {
    enum class Kind {
        fit,  // keep at least `side` pixels on the shorter side (it is fitted next)
        bound,  // shrink until both sides are within `side` (shape files keep their aspect)
    };
    Kind kind = Kind::fit;
    int side = kTextureSide;
};

// The picture's own size, upright, whatever size it was decoded at.
struct PictureSize {
    int width = 0;
    int height = 0;
};

// Like decode_picture, but a picture larger than kFullDecodePixels is decoded
// at reduced size (or refused as too_large with a plain message). Pictures
// within kFullDecodePixels decode as decode_picture does, except JPEGs, which
// are decoded reduced whenever the target allows. Exif orientation is applied.
std::optional<Picture> decode_picture_reduced(std::span<const uint8_t> bytes, const DecodeTarget& target,
                                              std::string* error = nullptr, PictureError* kind = nullptr,
                                              const std::atomic<bool>* cancel = nullptr,
                                              PictureSize* original = nullptr);
// The same from a file, read as it is decoded (a large PNG or JPEG file is
// never held whole).
std::optional<Picture> load_picture_file_reduced(const std::filesystem::path& path, const DecodeTarget& target,
                                                 std::string* error = nullptr, PictureError* kind = nullptr,
                                                 const std::atomic<bool>* cancel = nullptr,
                                                 PictureSize* original = nullptr);

// A picture to prepare: a file, or encoded bytes when path is empty.
struct PictureRequest {
    std::filesystem::path path;
    std::vector<uint8_t> bytes;
    int preview_side = 0;  // also a preview of this side, fitted from the texture; 0: none
};

struct PreparedPicture {
    std::filesystem::path path;  // as requested
    std::shared_ptr<const Picture> texture;  // kTextureSide square; null on failure
    std::shared_ptr<const Picture> preview;  // when asked for
    int width = 0, height = 0;  // the picture's own size, upright
    std::string error;  // one line, naming the file
    PictureError kind = PictureError::none;
    bool cancelled = false;
    bool ok() const { return texture != nullptr; }
};

PreparedPicture prepare_picture(const PictureRequest& request, const std::atomic<bool>* cancel = nullptr);

// Tests: called on the preparing thread at the start of every prepare_picture
// (to hold a decode while the program carries on). Null: nothing.
void set_prepare_hook(void (*hook)());

}  // namespace lumo
