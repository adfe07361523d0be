#include "clip/gif_encoder.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <vector>

#include "clip/gif_writer.h"
#include "clip/palette_remap.h"
#include "clip/quantizer_threads.h"

namespace lumo {
namespace {

// Speed 1 (slowest, best) to 10: at 8 a 640 x 960 palette takes about 9 ms
// (45 at the default 4) and its frames differ from their source no more.
constexpr int kQuantizerSpeed = 8;
// 255 colours leave the writer an index for "same as the frame before",
// which lets it skip unchanged pixels.
constexpr int kColours = 255;

}  // namespace

struct GifEncoder::Quantizer {
    liq_attr* attr = nullptr;
    std::vector<uint8_t> opaque;  // the frame with alpha 255: a GIF has no translucency
    std::vector<uint8_t> indices;  // one palette index per pixel
    PaletteRemap remap;
    std::array<uint8_t, 256 * 3> palette{};
    int colours = 0;

    ~Quantizer() {
        if (attr) liq_attr_destroy(attr);
    }
};

GifEncoder::GifEncoder(int width, int height, Sink sink)
    : width_(width), height_(height), quantizer_(std::make_unique<Quantizer>()) {
    if (width < 1 || height < 1 || width > 65535 || height > 65535) return;
    use_one_quantizer_thread();  // before the attributes: libimagequant reads the count as they are made
    quantizer_->attr = liq_attr_create();
    if (!quantizer_->attr) return;
    liq_set_speed(quantizer_->attr, kQuantizerSpeed);
    liq_set_max_colors(quantizer_->attr, kColours);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    quantizer_->opaque.resize(pixels * 4);
    quantizer_->indices.resize(pixels);
    writer_ = std::make_unique<GifWriter>(width, height, std::move(sink));
}

GifEncoder::~GifEncoder() = default;

bool GifEncoder::quantize(std::span<const uint8_t> rgba, std::string* error) {
    Quantizer& q = *quantizer_;
    std::copy(rgba.begin(), rgba.end(), q.opaque.begin());
    for (std::size_t i = 3; i < q.opaque.size(); i += 4) q.opaque[i] = 255;
    // libimagequant chooses the palette; the remapping is ours (palette_remap.h).
    liq_image* image = liq_image_create_rgba(q.attr, q.opaque.data(), width_, height_, 0);
    liq_result* result = nullptr;
    const bool ok = image && liq_image_quantize(image, q.attr, &result) == LIQ_OK;
    if (ok) {
        const liq_palette* palette = liq_get_palette(result);
        q.colours = static_cast<int>(palette->count);
        for (int i = 0; i < q.colours; ++i) {
            q.palette[3 * i] = palette->entries[i].r;
            q.palette[3 * i + 1] = palette->entries[i].g;
            q.palette[3 * i + 2] = palette->entries[i].b;
        }
        q.remap.remap(q.opaque, width_, q.palette, q.colours, q.indices);
    }
    if (result) liq_result_destroy(result);
    if (image) liq_image_destroy(image);
    if (!ok && error) *error = "the frame could not be reduced to a palette";
    return ok;
}

bool GifEncoder::add(std::span<const uint8_t> rgba, int count, std::string* error) {
    if (!writer_) {
        if (error) *error = "the GIF could not be started";
        return false;
    }
    if (count <= 0) return true;
    if (rgba.size() != quantizer_->opaque.size()) {
        if (error) *error = "a frame of the wrong size";
        return false;
    }
    if (!quantize(rgba, error)) return false;
    bool written = writer_->add_frame(quantizer_->indices, quantizer_->palette, quantizer_->colours, kDelay);
    for (int i = 1; i < count && written; ++i) written = writer_->repeat_frame(kDelay);
    if (!written && error) *error = "the GIF could not be written";
    return written;
}

bool GifEncoder::finish(std::string* error) {
    if (!writer_) {
        if (error) *error = "the GIF could not be started";
        return false;
    }
    const std::unique_ptr<GifWriter> writer = std::move(writer_);
    if (writer->frames() == 0) {
        if (error) *error = "no frame was recorded";
        return false;
    }
    if (!writer->finish()) {
        if (error) *error = "the GIF could not be written";
        return false;
    }
    return true;
}

}  // namespace lumo
