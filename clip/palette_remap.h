#pragma once
// Each pixel of a frame to the nearest colour of its palette, under a light
// ordered dither. libimagequant's own remapping (Floyd-Steinberg) took 85 ms
// for a 640 x 960 frame, longer than a GIF frame lasts, and its error
// diffusion crawls from frame to frame; this takes about 7 ms, keeps still
// areas still, and uses integers only, so every build gives the same bytes.

#include <cstdint>
#include <span>
#include <vector>

namespace lumo {

class PaletteRemap {
public:
    PaletteRemap();

    // indices[i] = the palette entry for pixel i of rgba (4 bytes a pixel,
    // width pixels a row, alpha ignored); palette_rgb holds `colours` RGB
    // triples (1 to 256).
    void remap(std::span<const uint8_t> rgba, int width, std::span<const uint8_t> palette_rgb, int colours,
               std::span<uint8_t> indices);

private:
    // The nearest entry for each cell of 4 x 4 x 4 colour values, found the
    // first time a frame needs it: most frames touch a few thousand cells.
    std::vector<int16_t> nearest_;
};

}  // namespace lumo
