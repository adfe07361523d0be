// PNG row by row with libpng: PNG has no reduced-size decoding, so each row
// goes into a running reduction as soon as it is inflated, and a large PNG
// never exists at its full size.

#include <png.h>

#include <cstring>
#include <memory>

#include "picture/picture_decoders.h"
#include "picture/picture_reduce.h"

namespace lumo {
namespace {

struct MemoryReader {
    std::span<const uint8_t> bytes;
    std::size_t at = 0;
};

void read_memory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->bytes.size() - reader->at) png_error(png, "the data ends early");
    std::memcpy(out, reader->bytes.data() + reader->at, length);
    reader->at += length;
}

void on_error(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    *text = message;
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Made before setjmp, so a jump back skips no destructor.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string message;
    MemoryReader reader;
    std::optional<RowReducer> reducer;
    std::unique_ptr<uint8_t[]> row;
    ~PngState() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

void premultiply(uint8_t* rgba, int width) {
    for (int x = 0; x < width; ++x, rgba += 4) {
        const uint32_t alpha = rgba[3];
        if (alpha == 255) continue;
        for (int c = 0; c < 3; ++c) rgba[c] = static_cast<uint8_t>((rgba[c] * alpha + 127) / 255);
    }
}

}  // namespace

std::optional<Picture> decode_png_rows(EncodedInput input, const DecodeTarget& target, const std::atomic<bool>* cancel,
                                       const DecodeOutcome& outcome) {
    PngState s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, on_error, on_warning);
    if (s.png == nullptr) return outcome.fail(PictureError::undecodable, "cannot start the PNG decoder");
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) return outcome.fail(PictureError::undecodable, "cannot start the PNG decoder");
    if (setjmp(png_jmpbuf(s.png)) != 0) {
        return outcome.fail(PictureError::undecodable, damaged_picture_words("PNG"));
    }
    png_set_user_limits(s.png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(s.png, 8u << 20);  // text and profile chunks; pixel rows are not chunks
    if (input.file != nullptr) {
        png_init_io(s.png, input.file);
    } else {
        s.reader.bytes = input.bytes;
        png_set_read_fn(s.png, &s.reader, read_memory);
    }
    png_read_info(s.png, s.info);
    const int width = static_cast<int>(png_get_image_width(s.png, s.info));
    const int height = static_cast<int>(png_get_image_height(s.png, s.info));
    if (png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE) {
        *outcome.unsupported = true;
        return outcome.fail(PictureError::too_large,
                            "an interlaced PNG this large cannot be opened: " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels (save it without interlacing)");
    }
    // Whatever the stored kind, 8-bit RGBA rows.
    png_set_expand(s.png);
    png_set_strip_16(s.png);
    png_set_gray_to_rgb(s.png);
    png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(s.png, s.info);

    const int factor = target.kind == DecodeTarget::Kind::fit ? reduction_for_fit(width, height, target.side)
                                                              : reduction_to_bound(width, height, target.side);
    s.reducer.emplace(width, height, factor);
    s.row.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(width) * 4]);
    if (s.reducer->picture().empty() || !s.row) {
        return outcome.fail(PictureError::too_large, "not enough memory for a " + std::to_string(width) + " x " +
                                                         std::to_string(height) + " picture");
    }
    for (int y = 0; y < height; ++y) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            return outcome.fail(PictureError::none, "cancelled");
        }
        png_read_row(s.png, s.row.get(), nullptr);
        premultiply(s.row.get(), width);
        s.reducer->add_row(s.row.get());
    }
    return std::move(s.reducer->picture());
}

}  // namespace lumo
