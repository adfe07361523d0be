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
//
// Frame n is the time n x 0.05 s on the run loop's clock: its events arrive
// just before frame n is drawn. Frames may be fractional (10.5).

#include <SDL.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tilt/tilt_source.h"

namespace lumo {

inline constexpr double kScriptFrameSeconds = 0.05;

struct ScriptEvent {
    enum class Kind { down, move, up, click, mouse_down, mouse_move, mouse_up, tilt, tilt_off, key, focus_lost, focus_gained };
    double time = 0;  // seconds
    Kind kind = Kind::down;
    int finger = 0;
    float x = 0, y = 0;
    bool has_position = false;
    Acceleration tilt;
    SDL_Keycode key = SDLK_UNKNOWN;
    Uint16 modifiers = KMOD_NONE;
};

// Events sorted by time; nullopt with *error naming the bad line.
std::optional<std::vector<ScriptEvent>> parse_script(std::string_view text, std::string* error);
std::optional<std::vector<ScriptEvent>> load_script(const std::string& path, std::string* error);

}  // namespace lumo
