#include "support/media_probe.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace lumo::testing {
namespace {

int little16(const std::vector<uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// Skips a run of GIF data sub-blocks; false when the file ends first.
bool skip_sub_blocks(const std::vector<uint8_t>& b, std::size_t* at) {
    while (*at < b.size()) {
        const std::size_t size = b[*at];
        *at += 1 + size;
        if (size == 0) return *at <= b.size();
    }
    return false;
}

}  // namespace

GifFacts read_gif_facts(const std::vector<uint8_t>& b) {
    GifFacts facts;
    if (b.size() < 13 || std::string(b.begin(), b.begin() + 6) != "GIF89a") return facts;
    facts.width = little16(b, 6);
    facts.height = little16(b, 8);
    std::size_t at = 13;
    if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);  // global colour table
    while (at < b.size()) {
        const uint8_t kind = b[at++];
        if (kind == 0x3B) {  // trailer
            facts.valid = true;
            return facts;
        }
        if (kind == 0x21 && at + 1 < b.size()) {  // extension
            const uint8_t label = b[at++];
            if (label == 0xF9 && at + 5 < b.size() && b[at] == 4) facts.delays.push_back(little16(b, at + 2));
            if (label == 0xFF && at + 16 < b.size() && b[at] == 11 &&
                std::string(b.begin() + at + 1, b.begin() + at + 12) == "NETSCAPE2.0")
                facts.loops_forever = b[at + 12] == 3 && little16(b, at + 14) == 0;
            if (!skip_sub_blocks(b, &at)) return facts;
        } else if (kind == 0x2C && at + 9 < b.size()) {  // image
            const uint8_t packed = b[at + 8];
            at += 9;
            if (packed & 0x80) at += 3u << ((packed & 7) + 1);  // local colour table
            at += 1;  // LZW minimum code size
            if (!skip_sub_blocks(b, &at)) return facts;
            ++facts.frames;
        } else {
            return facts;
        }
    }
    return facts;
}

std::vector<std::string> mp4_top_level_boxes(const std::vector<uint8_t>& b) {
    std::vector<std::string> types;
    std::size_t at = 0;
    while (at + 8 <= b.size()) {
        uint64_t size = (uint64_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
        types.emplace_back(b.begin() + at + 4, b.begin() + at + 8);
        if (size == 1 && at + 16 <= b.size()) {
            size = 0;
            for (int i = 0; i < 8; ++i) size = (size << 8) | b[at + 8 + i];
        } else if (size == 0) {
            size = b.size() - at;
        }
        if (size < 8) break;
        at += size;
    }
    return types;
}

std::map<std::string, std::string> probe_video(const std::filesystem::path& file) {
    const std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 "
        "-show_entries stream=codec_name,pix_fmt,width,height,r_frame_rate,avg_frame_rate,nb_read_frames "
        "-of default=noprint_wrappers=1 '" +
        file.string() + "' 2>/dev/null";
    std::map<std::string, std::string> answers;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return answers;
    std::string output;
    std::array<char, 512> chunk{};
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), got);
    ::pclose(pipe);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) answers[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return answers;
}

std::vector<std::vector<uint8_t>> decode_frames(const std::filesystem::path& file, int width, int height) {
    // Every frame as it is, none dropped or repeated for a frame rate.
    const std::string command =
        "ffmpeg -v error -i '" + file.string() + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    std::vector<std::vector<uint8_t>> frames;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return frames;
    const std::size_t frame_bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    std::vector<uint8_t> frame(frame_bytes);
    while (frame_bytes > 0 && std::fread(frame.data(), 1, frame_bytes, pipe) == frame_bytes) frames.push_back(frame);
    ::pclose(pipe);
    return frames;
}

std::vector<uint8_t> decode_first_gif_frame(const std::filesystem::path& file, int* width, int* height) {
    std::vector<uint8_t> rgba;
    SDL_Surface* loaded = IMG_Load(file.c_str());
    if (!loaded) return rgba;
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!converted) return rgba;
    *width = converted->w;
    *height = converted->h;
    rgba.resize(static_cast<std::size_t>(converted->w) * converted->h * 4);
    for (int y = 0; y < converted->h; ++y)
        std::copy_n(static_cast<const uint8_t*>(converted->pixels) + static_cast<std::size_t>(y) * converted->pitch,
                    static_cast<std::size_t>(converted->w) * 4,
                    rgba.begin() + static_cast<std::ptrdiff_t>(y) * converted->w * 4);
    SDL_FreeSurface(converted);
    return rgba;
}

std::vector<uint8_t> file_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace lumo::testing
