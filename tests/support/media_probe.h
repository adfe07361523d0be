#pragma once
// Reading back what the clip encoders wrote: the GIF's frames and delays,
// the MP4's top-level boxes, and what ffprobe (Debian's ffmpeg) says.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace lumo::testing {

struct GifFacts {
    bool valid = false;  // a GIF89a read to its trailer
    int width = 0;
    int height = 0;
    int frames = 0;  // image descriptors
    std::vector<int> delays;  // from each graphic control extension, hundredths of a second
    bool loops_forever = false;  // a NETSCAPE2.0 extension with a loop count of 0
};
GifFacts read_gif_facts(const std::vector<uint8_t>& bytes);

// The four-letter types of an MP4's top-level boxes, in file order.
std::vector<std::string> mp4_top_level_boxes(const std::vector<uint8_t>& bytes);

// ffprobe's key=value answers about the first video stream, its frames
// counted by decoding them; empty when ffprobe could not run.
std::map<std::string, std::string> probe_video(const std::filesystem::path& file);

// Every frame of a video or GIF as ffmpeg decodes and composes it, RGB
// rows top first, width * height * 3 bytes each; empty when ffmpeg could
// not read it.
std::vector<std::vector<uint8_t>> decode_frames(const std::filesystem::path& file, int width, int height);

// The first frame of a GIF decoded by SDL2_image, as RGBA; empty on failure.
std::vector<uint8_t> decode_first_gif_frame(const std::filesystem::path& file, int* width, int* height);

std::vector<uint8_t> file_bytes(const std::filesystem::path& file);

}  // namespace lumo::testing
