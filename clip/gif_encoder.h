#pragma once
// An animated GIF made frame by frame: a palette of its own for each frame
// (libimagequant, dithered), frames written by GifWriter, which keeps only
// what changed from the frame before. The same frames give the same bytes on
// every machine and in the browser build.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace lumo {

class GifWriter;

class GifEncoder {
public:
    // Every frame shows this long, in hundredths of a second: 20 frames a second.
    static constexpr int kDelay = 5;
    static constexpr int kFramesPerSecond = 100 / kDelay;

    // Takes the file's bytes in order; false when they could not be stored,
    // which fails the encoder (the sink keeps the reason).
    using Sink = std::function<bool(std::span<const uint8_t>)>;

    // A width x height GIF (each at most 65535) that loops forever. Check
    // ok() before use: false when the sizes are out of range or memory ran out.
    GifEncoder(int width, int height, Sink sink);
    ~GifEncoder();
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    bool ok() const { return writer_ != nullptr; }

    // Reduces rgba (width * height * 4 bytes, top row first, alpha ignored)
    // to a palette once and adds it as `count` frames. false, with *error in
    // words, when it could not be encoded or written.
    bool add(std::span<const uint8_t> rgba, int count, std::string* error);

    // Writes the end of the file. false when there was no frame, or the
    // writing failed. Nothing can be added afterwards.
    bool finish(std::string* error);

private:
    struct Quantizer;
    bool quantize(std::span<const uint8_t> rgba, std::string* error);

    int width_;
    int height_;
    std::unique_ptr<Quantizer> quantizer_;
    std::unique_ptr<GifWriter> writer_;  // null when the encoder could not start, or after finish()
};

}  // namespace lumo
