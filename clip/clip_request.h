#pragma once
// What a clip is asked to be, and what became of it.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "clip/frame_queue.h"

namespace lumo {

// A clip stops by itself after this long.
inline constexpr double kMaxClipSeconds = 20;

struct ClipRequest {
    int width = 0;  // the view's size in pixels; every frame offered must be this size
    int height = 0;
    // Where both files go; empty: the user's videos folder (user_videos_folder(),
    // which runs a program, so the encoder thread finds it).
    std::filesystem::path folder;
    std::string stem;  // the files' name without extension, e.g. a date; "-2", "-3"... when taken
    WhenFull when_full = WhenFull::drop;  // WhenFull::wait for scripted and headless runs
    // When set (--record), only this file is written, of the kind its
    // extension names (.mp4 or .gif), replacing a file of that name; folder
    // and stem are not used.
    std::filesystem::path file;
};

enum class ClipKind { video, gif };
// The kind a file's extension names (case aside); nullopt for any other.
std::optional<ClipKind> clip_kind_of(const std::filesystem::path& file);

struct ClipResult {
    std::vector<std::filesystem::path> files;  // the MP4 and the GIF, once both are in place (the page: their names)
    std::string error;  // why the clip was not saved, in words; empty when it was
    int frames_dropped = 0;  // frames the encoder could not take in time
    int video_frames = 0;  // frames in each file
    int gif_frames = 0;

    // Where the files are for the user: in a folder (the desktop: "Show in
    // folder"), or held by the page, which shares them where the device's
    // share sheet takes them and downloads them where it does not.
    enum class Kept { in_folder, by_page };
    Kept kept = Kept::in_folder;
    bool can_share = false;  // by_page: the share sheet takes them

    bool saved() const { return error.empty(); }
    // For a notice: "Saved NAME.mp4 and NAME.gif" (the page: "Recorded ..."),
    // or "Could not save the clip: REASON".
    std::string message() const;
};

}  // namespace lumo
