// Builds without libjpeg and libpng (the browser): every picture goes through
// SDL2_image at full size, within kFullDecodePixels.

#include "picture/picture_decoders.h"

namespace lumo {

bool have_reduced_decoders() { return false; }

std::optional<Picture> decode_jpeg_scaled(EncodedInput, const DecodeTarget&, const std::atomic<bool>*,
                                          const DecodeOutcome& outcome) {
    *outcome.unsupported = true;
    return outcome.fail(PictureError::too_large, "reduced decoding is not built in");
}

std::optional<Picture> decode_png_rows(EncodedInput, const DecodeTarget&, const std::atomic<bool>*,
                                       const DecodeOutcome& outcome) {
    *outcome.unsupported = true;
    return outcome.fail(PictureError::too_large, "reduced decoding is not built in");
}

}  // namespace lumo
