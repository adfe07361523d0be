#pragma once
// A GIF89a file written frame by frame: the header and logical screen, a
// NETSCAPE2.0 extension that loops it forever, and for each frame a graphic
// control extension (its delay), a local colour table and the LZW-compressed
// indices. Only the rectangle that changed since the frame before is
// written, and within it the pixels that kept their colour are transparent
// (left as they were), which compresses far better. Integers only: the same
// frames give the same bytes in every build.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "clip/gif_lzw.h"

namespace lumo {

class GifWriter {
public:
    // Takes the file's bytes in order; false when they could not be stored.
    using Sink = std::function<bool(std::span<const uint8_t>)>;

    // width and height 1 to 65535.
    GifWriter(int width, int height, Sink sink);

    // The next frame: one palette index per pixel (rows top first) into
    // palette_rgb's `colours` RGB triples (1 to 255: one index stays free to
    // mark unchanged pixels), shown for `delay` hundredths of a second.
    // false when the sink refused the bytes.
    bool add_frame(std::span<const uint8_t> indices, std::span<const uint8_t> palette_rgb, int colours, int delay);
    // The frame before, shown once more.
    bool repeat_frame(int delay);
    // The trailer. Nothing can be added afterwards.
    bool finish();

    int frames() const { return frames_; }

private:
    bool start();
    void graphic_control(int delay, int transparent);
    void image_descriptor(int left, int top, int width, int height, int table_bits);
    bool emit();

    int width_;
    int height_;
    Sink sink_;
    bool started_ = false;
    bool failed_ = false;
    int frames_ = 0;
    std::vector<uint8_t> shown_;  // the picture as a decoder shows it now: RGB, width * height
    std::vector<uint8_t> rectangle_;  // indices of the changed rectangle
    std::vector<uint8_t> bytes_;  // the frame being written
    GifLzw lzw_;
};

}  // namespace lumo
