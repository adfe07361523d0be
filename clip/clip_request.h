#pragma once
// What a clip is asked to be, and what became of it.

#include <filesystem>
#include <string>
#include <vector>

#include "clip/frame_queue.h"

namespace lumo {

// A clip stops by itself after this long.
inline constexpr double kMaxClipSeconds = 20;

struct ClipRequest {
    int width = 0;  // the view's size in pixels; every frame offered must be this size
    int height = 0;
    std::filesystem::path folder;  // where both files go: user_videos_folder() on the desktop
    std::string stem;  // the files' name without extension, e.g. a date; "-2", "-3"... when taken
    WhenFull when_full = WhenFull::drop;  // WhenFull::wait for scripted and headless runs
};

struct ClipResult {
    std::vector<std::filesystem::path> files;  // the MP4 and the GIF, once both are in place
    std::string error;  // why the clip was not saved, in words; empty when it was
    int frames_dropped = 0;  // frames the encoder could not take in time
    int video_frames = 0;  // frames in each file
    int gif_frames = 0;

    bool saved() const { return error.empty(); }
    // For a notice: "Saved NAME.mp4 and NAME.gif" or "Could not save the clip: REASON".
    std::string message() const;
};

}  // namespace lumo
