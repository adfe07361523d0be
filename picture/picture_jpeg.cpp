// JPEG at reduced size with libjpeg-turbo: the IDCT itself scales by 1/2,
// 1/4 or 1/8, so a 24 MP photo costs about what a 1.5 MP one does.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <memory>

#include "picture/picture_decoders.h"
#include "picture/picture_reduce.h"

namespace lumo {
namespace {

// libjpeg's own working memory: beyond this it fails instead of growing. A
// progressive JPEG keeps every coefficient of the picture (2 bytes a sample:
// about 36 MB for 12 MP with halved colour), so up to about 16 MP of those
// open; larger ones are refused with a message.
constexpr long kJpegWorkingMemory = 48L << 20;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void on_error(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void on_message(j_common_ptr, int) {}  // warnings (a cut-short file) are not worth a line on stderr

// CMYK pixels to opaque RGBA in place. Adobe's programs, whose marker such
// files carry, store the ink inverted (255: none); others store it as it is.
// Each colour is what is left of white after its ink and the black.
void cmyk_to_rgba(uint8_t* row, int width, bool inverted) {
    for (int x = 0; x < width; ++x, row += 4) {
        const unsigned k = inverted ? row[3] : 255u - row[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned left = inverted ? row[c] : 255u - row[c];
            row[c] = static_cast<uint8_t>((left * k + 127) / 255);
        }
        row[3] = 255;
    }
}

// The largest of 1/1, 1/2, 1/4, 1/8 that the target allows.
int jpeg_denominator(int width, int height, const DecodeTarget& target) {
    const int factor = target.kind == DecodeTarget::Kind::fit ? reduction_for_fit(width, height, target.side)
                                                              : reduction_to_bound(width, height, target.side);
    int denominator = 1;
    if (target.kind == DecodeTarget::Kind::fit) {
        while (denominator < 8 && denominator * 2 <= factor) denominator *= 2;
    } else {
        while (denominator < 8 && denominator < factor) denominator *= 2;
    }
    return denominator;
}

// Everything the decode keeps, made before setjmp so that a jump back skips
// no destructor.
struct JpegState {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    std::optional<RowReducer> reducer;
    std::unique_ptr<uint8_t[]> row;
    bool created = false;
    ~JpegState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

}  // namespace

bool have_reduced_decoders() { return true; }

std::optional<Picture> decode_jpeg_scaled(EncodedInput input, const DecodeTarget& target,
                                          const std::atomic<bool>* cancel, const DecodeOutcome& outcome) {
    JpegState s;
    s.cinfo.err = jpeg_std_error(&s.errors.base);
    s.errors.base.error_exit = on_error;
    s.errors.base.emit_message = on_message;
    if (setjmp(s.errors.jump) != 0) {
        const int code = s.errors.base.msg_code;
        if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY) {
            return outcome.fail(PictureError::too_large,
                                "picture too large to open: a " + std::to_string(s.cinfo.image_width) + " x " +
                                    std::to_string(s.cinfo.image_height) + " " +
                                    (s.cinfo.progressive_mode ? "progressive " : "") +
                                    "JPEG needs more memory to decode than a picture may take");
        }
        return outcome.fail(PictureError::undecodable, damaged_picture_words("JPEG"));
    }
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.cinfo.mem->max_memory_to_use = kJpegWorkingMemory;
    if (input.file != nullptr) {
        jpeg_stdio_src(&s.cinfo, input.file);
    } else {
        jpeg_mem_src(&s.cinfo, input.bytes.data(), static_cast<unsigned long>(input.bytes.size()));
    }
    jpeg_read_header(&s.cinfo, TRUE);
    const int width = static_cast<int>(s.cinfo.image_width);
    const int height = static_cast<int>(s.cinfo.image_height);
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
        return outcome.fail(PictureError::too_large, "picture too large: " + std::to_string(width) + " x " +
                                                         std::to_string(height) + " pixels (at most " +
                                                         std::to_string(kMaxPictureSide) + " x " +
                                                         std::to_string(kMaxPictureSide) + ")");
    }
    // CMYK (and YCCK, which libjpeg turns into CMYK) comes out as ink, made
    // into RGB row by row below.
    const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = static_cast<unsigned>(jpeg_denominator(width, height, target));
    s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;  // opaque: premultiplied as it comes
    jpeg_start_decompress(&s.cinfo);
    const int out_width = static_cast<int>(s.cinfo.output_width);
    const int out_height = static_cast<int>(s.cinfo.output_height);
    const int factor =
        target.kind == DecodeTarget::Kind::bound ? reduction_to_bound(out_width, out_height, target.side) : 1;
    s.reducer.emplace(out_width, out_height, factor);
    s.row.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(out_width) * 4]);
    if (s.reducer->picture().empty() || !s.row) {
        return outcome.fail(PictureError::too_large, "not enough memory for a " + std::to_string(out_width) + " x " +
                                                         std::to_string(out_height) + " picture");
    }
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            jpeg_abort_decompress(&s.cinfo);
            return outcome.fail(PictureError::none, "cancelled");
        }
        JSAMPROW rows[1] = {s.row.get()};
        if (jpeg_read_scanlines(&s.cinfo, rows, 1) != 1) break;  // suspended: the data ran out
        if (cmyk) cmyk_to_rgba(s.row.get(), out_width, s.cinfo.saw_Adobe_marker);
        s.reducer->add_row(s.row.get());
    }
    jpeg_abort_decompress(&s.cinfo);  // the rest of the file does not matter
    return std::move(s.reducer->picture());
}

}  // namespace lumo
