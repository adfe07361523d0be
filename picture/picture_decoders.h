#pragma once
// The reduced-size decoders behind prepare_picture (picture/picture_prepare.h).
// Internal to picture/: libjpeg and libpng stay inside their source files, so
// a build without them (the browser) swaps in picture_decoders_none.cpp.

#include <atomic>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "picture/picture.h"
#include "picture/picture_header.h"
#include "picture/picture_prepare.h"

namespace lumo {

// Where the encoded picture comes from: a file read as it is decoded, or
// bytes already in memory.
struct EncodedInput {
    std::span<const uint8_t> bytes;
    std::FILE* file = nullptr;  // when set, read from its current position instead of bytes
};

// On failure: nullopt with *error and *kind set. A set *cancel stops the
// decode between rows (kind none, error "cancelled").
struct DecodeOutcome {
    std::string* error;
    PictureError* kind;
    // Set when the decoder cannot take this variant (a CMYK JPEG, an
    // interlaced PNG): the caller may still decode it at full size.
    bool* unsupported;
    std::nullopt_t fail(PictureError why, std::string message) const {
        *error = std::move(message);
        *kind = why;
        return std::nullopt;
    }
};

// Whether reduced decoding is built in: false where only SDL2_image decodes.
bool have_reduced_decoders();

// A JPEG decoded at 1/1, 1/2, 1/4 or 1/8 of its size, as stored (the caller
// turns it upright), premultiplied (opaque), then reduced further to the
// bound when the target is one.
std::optional<Picture> decode_jpeg_scaled(EncodedInput input, const DecodeTarget& target,
                                          const std::atomic<bool>* cancel, const DecodeOutcome& outcome);
// A PNG read row by row into a RowReducer; never holds the full-size picture.
// Interlaced PNGs are refused (their rows come in seven passes).
std::optional<Picture> decode_png_rows(EncodedInput input, const DecodeTarget& target, const std::atomic<bool>* cancel,
                                       const DecodeOutcome& outcome);

}  // namespace lumo
