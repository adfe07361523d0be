#include "clip/gif_writer.h"

#include <algorithm>
#include <cstring>

namespace lumo {
namespace {

constexpr uint8_t kExtension = 0x21, kGraphicControl = 0xF9, kApplication = 0xFF;
constexpr uint8_t kImage = 0x2C, kTrailer = 0x3B;
// Each frame is drawn over the one before, which stays where it is not covered.
constexpr int kDisposeNothing = 1;

void put16(std::vector<uint8_t>* out, int value) {
    out->push_back(static_cast<uint8_t>(value & 0xFF));
    out->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void put(std::vector<uint8_t>* out, std::initializer_list<uint8_t> bytes) { out->insert(out->end(), bytes); }

// The smallest colour table that holds `entries`: 2^bits entries, bits 1 to 8.
int table_bits(int entries) {
    int bits = 1;
    while ((1 << bits) < entries) ++bits;
    return bits;
}

}  // namespace

GifWriter::GifWriter(int width, int height, Sink sink)
    : width_(width),
      height_(height),
      sink_(std::move(sink)),
      shown_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
    rectangle_.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

bool GifWriter::emit() {
    if (!failed_ && !sink_(bytes_)) failed_ = true;
    bytes_.clear();
    return !failed_;
}

bool GifWriter::start() {
    started_ = true;
    const char* signature = "GIF89a";
    bytes_.insert(bytes_.end(), signature, signature + 6);
    put16(&bytes_, width_);
    put16(&bytes_, height_);
    // No global colour table (every frame has its own), 8 bits of colour
    // resolution, background 0, square pixels.
    put(&bytes_, {0x70, 0, 0});
    // Loop forever: the NETSCAPE2.0 application extension, count 0.
    put(&bytes_, {kExtension, kApplication, 11});
    const char* application = "NETSCAPE2.0";
    bytes_.insert(bytes_.end(), application, application + 11);
    put(&bytes_, {3, 1, 0, 0, 0});
    return emit();
}

void GifWriter::graphic_control(int delay, int transparent) {
    put(&bytes_, {kExtension, kGraphicControl, 4});
    bytes_.push_back(static_cast<uint8_t>((kDisposeNothing << 2) | (transparent >= 0 ? 1 : 0)));
    put16(&bytes_, delay);
    put(&bytes_, {static_cast<uint8_t>(transparent >= 0 ? transparent : 0), 0});
}

void GifWriter::image_descriptor(int left, int top, int width, int height, int bits) {
    bytes_.push_back(kImage);
    put16(&bytes_, left);
    put16(&bytes_, top);
    put16(&bytes_, width);
    put16(&bytes_, height);
    bytes_.push_back(static_cast<uint8_t>(0x80 | (bits - 1)));  // a local colour table, not interlaced
}

bool GifWriter::add_frame(std::span<const uint8_t> indices, std::span<const uint8_t> palette_rgb, int colours,
                          int delay) {
    if (failed_ || (!started_ && !start())) return false;
    const std::size_t row = static_cast<std::size_t>(width_);
    const auto colour_of = [&](std::size_t i) { return &palette_rgb[3 * std::size_t{indices[i]}]; };
    // The rectangle whose colours changed; the first frame is all of it.
    int left = 0, top = 0, right = width_ - 1, bottom = height_ - 1;
    if (frames_ > 0) {
        left = width_, top = height_, right = -1, bottom = -1;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x);
                if (std::memcmp(colour_of(i), &shown_[3 * i], 3) == 0) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = y;
            }
        }
        if (right < 0) return repeat_frame(delay);
    }
    const int transparent = frames_ > 0 ? colours : -1;
    rectangle_.clear();
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x);
            const uint8_t* colour = colour_of(i);
            if (transparent >= 0 && std::memcmp(colour, &shown_[3 * i], 3) == 0) {
                rectangle_.push_back(static_cast<uint8_t>(transparent));
            } else {
                rectangle_.push_back(indices[i]);
                std::memcpy(&shown_[3 * i], colour, 3);
            }
        }
    }
    const int bits = table_bits(colours + (transparent >= 0 ? 1 : 0));
    graphic_control(delay, transparent);
    image_descriptor(left, top, right - left + 1, bottom - top + 1, bits);
    bytes_.insert(bytes_.end(), palette_rgb.begin(), palette_rgb.begin() + 3 * colours);
    bytes_.resize(bytes_.size() + 3 * static_cast<std::size_t>((1 << bits) - colours), 0);
    lzw_.compress(rectangle_, std::max(2, bits), &bytes_);
    ++frames_;
    return emit();
}

// One transparent pixel: the picture stays as it is for another delay.
bool GifWriter::repeat_frame(int delay) {
    if (failed_ || frames_ == 0) return false;
    graphic_control(delay, 0);
    image_descriptor(0, 0, 1, 1, 1);
    bytes_.resize(bytes_.size() + 6, 0);  // two black entries, the first transparent
    const uint8_t index[1] = {0};
    lzw_.compress(index, 2, &bytes_);
    ++frames_;
    return emit();
}

bool GifWriter::finish() {
    if (failed_ || (!started_ && !start())) return false;
    bytes_.push_back(kTrailer);
    const bool ok = emit();
    failed_ = true;  // nothing more
    return ok;
}

}  // namespace lumo
