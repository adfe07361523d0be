// The page's GIF worker (the browser build, a program of its own run as a
// Web Worker: gif_worker.js passes its messages on). The page hands it the
// view's frames with the times they were shown; it samples them at the GIF's
// rate and encodes them with the desktop's own GIF encoder, into memory.
// One clip at a time; every call comes from the worker's one thread.

#include <emscripten.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "clip/clip_request.h"
#include "clip/frame_sampler.h"
#include "clip/gif_encoder.h"

namespace lumo {
namespace {

struct GifClip {
    GifClip(int width, int height)
        : incoming(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4),
          held(incoming.size()),
          encoder(width, height, [this](std::span<const uint8_t> data) {
              bytes.insert(bytes.end(), data.begin(), data.end());
              return true;
          }) {}

    std::vector<uint8_t> incoming;  // the page writes the next frame here: RGBA, top row first
    std::vector<uint8_t> held;  // the frame before: encoded once the next one tells how often it shows
    bool holding = false;
    FrameSampler sampler{GifEncoder::kFramesPerSecond,
                         static_cast<int>(kMaxClipSeconds) * GifEncoder::kFramesPerSecond};
    std::vector<uint8_t> bytes;  // the file so far
    GifEncoder encoder;
    std::string error;

    bool encode_held(int count) { return !holding || encoder.add(held, count, &error); }
};

std::unique_ptr<GifClip> clip;

}  // namespace
}  // namespace lumo

extern "C" {

// A new clip of width x height: where the page writes its first frame, or
// null when it cannot be made.
EMSCRIPTEN_KEEPALIVE uint8_t* lumo_gif_start(int width, int height) {
    lumo::clip.reset();
    if (width < 1 || height < 1 || width > 4096 || height > 4096) return nullptr;
    lumo::clip = std::make_unique<lumo::GifClip>(width, height);
    if (!lumo::clip->encoder.ok()) return nullptr;
    return lumo::clip->incoming.data();
}

// The frame written at the last pointer was shown at `time` (seconds):
// where the next one goes, or null once the encoding failed.
EMSCRIPTEN_KEEPALIVE uint8_t* lumo_gif_frame(double time) {
    lumo::GifClip* c = lumo::clip.get();
    if (!c || !c->error.empty()) return nullptr;
    if (!c->sampler.full() && !c->encode_held(c->sampler.present(time))) return nullptr;
    std::swap(c->incoming, c->held);
    c->holding = true;
    return c->incoming.data();
}

// The clip ends at `time`, the last frame showing till then: 1 when the
// GIF is complete (lumo_gif_bytes), 0 when it failed (lumo_gif_error).
EMSCRIPTEN_KEEPALIVE int lumo_gif_finish(double time) {
    lumo::GifClip* c = lumo::clip.get();
    if (!c) return 0;
    if (c->error.empty() && c->encode_held(c->sampler.finish(time))) c->encoder.finish(&c->error);
    return c->error.empty() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const uint8_t* lumo_gif_bytes() { return lumo::clip ? lumo::clip->bytes.data() : nullptr; }
EMSCRIPTEN_KEEPALIVE int lumo_gif_size() { return lumo::clip ? static_cast<int>(lumo::clip->bytes.size()) : 0; }
EMSCRIPTEN_KEEPALIVE int lumo_gif_frames() { return lumo::clip ? lumo::clip->sampler.samples() : 0; }
EMSCRIPTEN_KEEPALIVE const char* lumo_gif_error() { return lumo::clip ? lumo::clip->error.c_str() : "no clip"; }

}  // extern "C"
