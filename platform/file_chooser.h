#pragma once
// Files that reach the program through the host's own interface rather than
// a path: the browser's file chooser (on a phone, the photo library or the
// camera) and files dropped on the page. They arrive later, between frames,
// and are polled. The desktop has no chooser of its own (the program browses
// folders itself) and gets drops as paths from SDL.

#include <cstdint>
#include <string>
#include <vector>

namespace lumo {

enum class ChooserRequest { picture, camera, shape_file };

struct ArrivingFile {
    enum class Kind {
        none,         // nothing has arrived
        cancelled,    // the chooser was dismissed without a file
        picture,      // decoded by the host: straight-alpha RGBA rows, top first, upright
        file,         // the file's bytes as they are
        too_large,    // a picture wider or taller than allowed (width, height), or a file over the cap (bytes)
        undecodable,  // not a picture the host can decode
    };
    Kind kind = Kind::none;
    std::string name;            // the file's own name, no folder
    int width = 0, height = 0;   // picture and too_large: the picture's size, upright
    uint64_t size = 0;           // file and too_large: the file's size in bytes
    std::vector<uint8_t> bytes;  // picture: its pixels; file: its contents
};

// Whether the host has a chooser, and a camera to take a picture with.
bool host_has_file_chooser();
bool host_has_camera();

// Opens the chooser. Pictures are decoded by the host, upright, reduced by a
// power of two while the shorter side keeps at least min_side pixels; one
// larger than max_side on a side is reported too_large without being decoded.
// A file other than a picture over max_bytes is reported too_large unread.
// A second request while one is open replaces it.
struct ChooserLimits {
    int max_side = 0;
    int min_side = 0;
    uint64_t max_bytes = 0;
};
void host_open_file_chooser(ChooserRequest request, const ChooserLimits& limits);

enum class ChooserState {
    idle,       // nothing asked, or the answer has arrived
    waiting,    // the chooser is open
    needs_tap,  // the host opens choosers only from a tap: the next tap on the page opens it
    reading,    // a file was chosen and is being read or decoded
};
ChooserState host_chooser_state();
// Forgets the open request: its answer, if it still comes, is dropped.
void host_close_file_chooser();

// The chooser's answer, once; Kind::none until it arrives.
ArrivingFile host_take_chosen_file();
// The next file dropped on the program, once; Kind::none when there is none.
// Limits as for the chooser; set before the first drop.
void host_set_drop_limits(const ChooserLimits& limits);
ArrivingFile host_take_dropped_file();

}  // namespace lumo
