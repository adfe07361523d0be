#pragma once
// Timed input for tests and demonstrations, replayed through the same event
// path as real input. One command per line; '#' starts a comment:
//
//   <frame> down <finger> <x> <y>     a finger touches the view (view points)
//   <frame> move <finger> <x> <y>
//   <frame> up <finger> [<x> <y>]
//   <frame> click <x> <y>             left mouse button down and up
//   <frame> mousedown|mousemove|mouseup <x> <y>
//   <frame> tilt <x> <y> <z>          accelerometer reading in g; "tilt off" ends it
//   <frame> key <name>                a key press, by SDL key name (l, Left, Escape ...),
//                                     "Ctrl+" before it to hold Control (Ctrl+q)
//   <frame> focus lost|gained         the window loses or regains the focus
//   <frame> drop <file>               a file dropped on the window (the rest of the line)
//   <frame> press <control>           a click on a control of the panel, wherever the
//                                     layout puts it: save, initialize, load, edit, fix, lines,
//                                     undo, redo, record
//   <frame> record start|stop         starts or stops recording a clip of the view
//
// Frame n is the time n frame intervals (n x 0.05 s) on the run loop's
// clock: its events arrive just before frame n is drawn. Frames may be
// fractional (10.5); times are kept in the run loop's whole ticks.
// Positions lie within kScriptCoordinateLimit of the view, in view points;
// tilts are finite (the accelerometer clamps them to a few g).

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/run_loop.h"
#include "sim/surface_grid.h"
#include "tilt/tilt_source.h"

namespace lumo {

inline constexpr Ticks kTicksPerFrame = static_cast<Ticks>(kFrameInterval * kTicksPerSecond);
static_assert(kTicksPerFrame * 20 == kTicksPerSecond, "a frame is a whole number of ticks");
inline constexpr float kScriptCoordinateLimit = 100000.0f;
inline constexpr double kMaxScriptFrame = 1e9;  // more than a year of frames
// A script is typed or generated text: far below this. The cap keeps a
// mistaken path (a log, a device) from being read into memory.
inline constexpr std::uintmax_t kMaxScriptBytes = 1u << 20;

struct ScriptEvent {
    enum class Kind {
        down,
        move,
        up,
        click,
        mouse_down,
        mouse_move,
        mouse_up,
        tilt,
        tilt_off,
        key,
        focus_lost,
        focus_gained,
        drop,
        press,
        record_start,
        record_stop
    };
    Ticks time = 0;
    Kind kind = Kind::down;
    int finger = 0;
    float x = 0, y = 0;
    bool has_position = false;
    Acceleration tilt;
    SDL_Keycode key = SDLK_UNKNOWN;
    Uint16 modifiers = KMOD_NONE;
    std::string file;  // drop
    int control = 0;  // press: a ControlPanel::Control
};

// The panel's controls as scripts name them, in ControlPanel::Control order.
inline constexpr const char* kScriptControlNames[] = {"save",  "initialize", "load", "edit",  "fix",
                                                      "lines", "undo",       "redo", "record"};

// Events sorted by time; nullopt with *error naming the bad line.
std::optional<std::vector<ScriptEvent>> parse_script(std::string_view text, std::string* error);
// A regular file of at most kMaxScriptBytes; anything else (a folder, a
// pipe, a device) is refused before it is read.
std::optional<std::vector<ScriptEvent>> load_script(const std::string& path, std::string* error);

}  // namespace lumo
