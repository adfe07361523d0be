#pragma once
// An MP4 made frame by frame: H.264 (libx264 through libavcodec), yuv420p,
// 30 frames a second, its index at the front of the file (faststart) so that
// players, browsers and messengers can play it while it loads.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace lumo {

class Mp4Encoder {
public:
    static constexpr int kFramesPerSecond = 30;

    Mp4Encoder();
    ~Mp4Encoder();  // an unfinished file is closed as it is (the caller removes it)
    Mp4Encoder(const Mp4Encoder&) = delete;
    Mp4Encoder& operator=(const Mp4Encoder&) = delete;

    // Starts a clip of width x height frames at path (created or truncated).
    // The video is that size made even (4:2:0 halves the colour planes): an
    // odd last column or row is dropped. false, with *error in words, when the
    // size is too small or the file or the encoder cannot be opened.
    bool open(const std::filesystem::path& path, int width, int height, std::string* error);

    // Converts rgba (width * height * 4 bytes, top row first, alpha ignored)
    // once and encodes it as the next `count` frames.
    bool add(std::span<const uint8_t> rgba, int count, std::string* error);

    // Encodes what the encoder still holds, writes the index and moves it to
    // the front. false when there was no frame, or anything failed.
    bool finish(std::string* error);

    // The video's size: the clip's made even.
    int video_width() const;
    int video_height() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace lumo
