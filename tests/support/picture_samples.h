#pragma once
// Pictures for the picture pipeline's tests and benchmarks, written row by
// row so that making a 24 MP sample does not itself need one in memory.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lumo::testing {

// Photo-like content, the same for the same (x, y, width, height): smooth
// light, a few hard edges, and fine grain, so that scaling has something to get wrong.
void photo_colour(int x, int y, int width, int height, uint8_t rgb[3]);

// A width x height photo as a baseline JPEG at quality 90.
bool write_photo_jpeg(const std::filesystem::path& path, int width, int height);
// A width x height photo as an opaque PNG; all zeros (transparent black,
// which compresses to almost nothing) when !photo.
bool write_png(const std::filesystem::path& path, int width, int height, bool photo, bool interlaced = false);

// Small files that claim to be 8192 x 8192: an 8 x 8 JPEG with its frame
// header changed (a progressive one makes a decoder keep every coefficient),
// and a GIF whose only image is that size.
std::vector<uint8_t> jpeg_bomb(int side = 8192, bool progressive = false);
std::vector<uint8_t> gif_bomb(int side = 8192);

// A width x height CMYK JPEG of four quadrants, red, green (top), blue and
// white (bottom). With an Adobe marker its ink is stored inverted, as
// Adobe's programs store it (and libjpeg writes that marker for CMYK);
// without, as it is.
std::vector<uint8_t> cmyk_jpeg(int width, int height, bool adobe);

void write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Runs `work` in a child process and returns how far its peak resident
// memory rose above what it started with, in bytes; -1 when it could not be
// measured (or work returned false, or the child died).
long long peak_memory_added(bool (*work)(void* context), void* context);

}  // namespace lumo::testing
