#include "app/script.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "files/file_io.h"

namespace lumo {

namespace {

struct Parser {
    std::istringstream words;
    bool number(float* out) { return static_cast<bool>(words >> *out); }
    bool number(double* out) { return static_cast<bool>(words >> *out); }
    bool integer(int* out) { return static_cast<bool>(words >> *out); }
    bool word(std::string* out) { return static_cast<bool>(words >> *out); }
    // A position far outside the view would overflow the window's integer
    // coordinates: refused here, where the line can still be named.
    bool coordinate(float* out) {
        return number(out) && std::isfinite(*out) && std::fabs(*out) <= kScriptCoordinateLimit;
    }
    std::string rest() {
        std::string text;
        std::getline(words >> std::ws, text);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.pop_back();
        return text;
    }
    bool done() {
        std::string rest;
        return !(words >> rest);
    }
};

constexpr const char* kExpectedPosition = "expected x and y, each a number between -100000 and 100000";

bool parse_line(const std::string& line, ScriptEvent* event, std::string* problem) {
    Parser p{std::istringstream(line)};
    double frame = 0;
    std::string command;
    if (!p.number(&frame) || !(frame >= 0 && frame <= kMaxScriptFrame))
        return *problem = "expected a frame number first, from 0 to 1000000000", false;
    if (!p.word(&command)) return *problem = "expected a command after the frame number", false;
    event->time = static_cast<Ticks>(std::llround(frame * static_cast<double>(kTicksPerFrame)));
    using K = ScriptEvent::Kind;
    if (command == "down" || command == "move" || command == "up") {
        event->kind = command == "down" ? K::down : command == "move" ? K::move : K::up;
        if (!p.integer(&event->finger) || event->finger < 0) return *problem = "expected a finger number", false;
        event->has_position = p.coordinate(&event->x);
        if (event->has_position && !p.coordinate(&event->y)) return *problem = kExpectedPosition, false;
        if (!event->has_position && event->kind != K::up) return *problem = kExpectedPosition, false;
    } else if (command == "click" || command == "mousedown" || command == "mousemove" || command == "mouseup") {
        event->kind = command == "click"       ? K::click
                      : command == "mousedown" ? K::mouse_down
                      : command == "mousemove" ? K::mouse_move
                                               : K::mouse_up;
        if (!p.coordinate(&event->x) || !p.coordinate(&event->y)) return *problem = kExpectedPosition, false;
        event->has_position = true;
    } else if (command == "tilt") {
        std::string first;
        if (!p.word(&first)) return *problem = "expected x y z or off", false;
        if (first == "off") {
            event->kind = K::tilt_off;
        } else {
            event->kind = K::tilt;
            std::istringstream x(first);
            if (!(x >> event->tilt.x) || !p.number(&event->tilt.y) || !p.number(&event->tilt.z) ||
                !std::isfinite(event->tilt.x) || !std::isfinite(event->tilt.y) || !std::isfinite(event->tilt.z))
                return *problem = "expected three numbers x y z", false;
        }
    } else if (command == "key") {
        std::string name;
        if (!p.word(&name)) return *problem = "expected a key name", false;
        event->kind = K::key;
        constexpr std::string_view kCtrl = "Ctrl+";
        if (name.size() > kCtrl.size() && name.compare(0, kCtrl.size(), kCtrl) == 0) {
            event->modifiers = KMOD_LCTRL;
            name.erase(0, kCtrl.size());
        }
        event->key = SDL_GetKeyFromName(name.c_str());
        if (event->key == SDLK_UNKNOWN) return *problem = "unknown key \"" + name + "\"", false;
    } else if (command == "focus") {
        std::string state;
        if (!p.word(&state) || (state != "lost" && state != "gained"))
            return *problem = "expected lost or gained", false;
        event->kind = state == "lost" ? K::focus_lost : K::focus_gained;
    } else if (command == "drop") {
        event->kind = K::drop;
        event->file = p.rest();
        if (event->file.empty()) return *problem = "expected a file name", false;
    } else if (command == "press") {
        constexpr std::string_view kControls = "save, initialize, load, edit, fix, lines, undo, redo or record";
        std::string name;
        if (!p.word(&name)) return *problem = "expected a control: " + std::string(kControls), false;
        const auto* names = std::begin(kScriptControlNames);
        const auto* found = std::find(names, std::end(kScriptControlNames), name);
        if (found == std::end(kScriptControlNames))
            return *problem = "unknown control \"" + name + "\": " + std::string(kControls), false;
        event->kind = K::press;
        event->control = static_cast<int>(found - names);
    } else if (command == "record") {
        std::string what;
        if (!p.word(&what) || (what != "start" && what != "stop")) return *problem = "expected start or stop", false;
        event->kind = what == "start" ? K::record_start : K::record_stop;
    } else {
        return *problem = "unknown command \"" + command + "\"", false;
    }
    if (!p.done()) return *problem = "unexpected words at the end", false;
    return true;
}

}  // namespace

std::optional<std::vector<ScriptEvent>> parse_script(std::string_view text, std::string* error) {
    std::vector<ScriptEvent> events;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        ScriptEvent event;
        std::string problem;
        if (!parse_line(line, &event, &problem)) {
            *error = "line " + std::to_string(number) + ": " + problem;
            return std::nullopt;
        }
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    return events;
}

std::optional<std::vector<ScriptEvent>> load_script(const std::string& path, std::string* error) {
    std::string problem;
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(path, kMaxScriptBytes, &problem);
    if (!bytes) {
        *error = "script: " + problem;
        return std::nullopt;
    }
    auto events = parse_script(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), error);
    if (!events) *error = "script " + path + ": " + *error;
    return events;
}

}  // namespace lumo
