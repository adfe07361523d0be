#include "app/options.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "clip/clip_request.h"

namespace lumo {

namespace {

bool parse_int(std::string_view text, int* out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc() && ptr == end;
}

}  // namespace

const char* usage_text() {
    return "usage: lumo [options] [FILE...]\n"
           "  FILE                      a shape file (.lumo) or a picture to open after launch\n"
           "  --headless                run without a display (SDL's offscreen driver)\n"
           "  --frames N                headless: run N frame intervals of 0.05 s (default 60)\n"
           "  --screenshot FILE.png     headless: write the last frame as a PNG\n"
           "  --screenshot-at N:FILE    write the frame N as a PNG (repeatable)\n"
           "  --script FILE             replay timed touches, tilts and keys (below)\n"
           "  --record FILE.mp4         record the view into FILE.mp4 or FILE.gif: the whole run, or as the\n"
           "                            script's record start and record stop say\n"
           "  --home DIR                the application's home folder (shape files go to DIR/Documents)\n"
           "  --size WxH                the window's size in points (default: to suit the screen; 320x480 headless)\n"
           "  --pixel-ratio N           headless: N pixels per point, as on a high-DPI screen (1 to 4)\n"
           "  --help                    this text\n"
           "  --version                 the version number\n"
           "\n"
           "A script has one command a line, after the frame it comes before (frame n is n x 0.05 s\n"
           "after the start); positions are view points (320 x 480), # starts a comment:\n"
           "  down|move|up FINGER X Y   a finger on a touchscreen (up may leave out X Y)\n"
           "  click|mousedown|mousemove|mouseup X Y   the left mouse button\n"
           "  tilt X Y Z | tilt off     an accelerometer reading in g (face up: 0 0 -1), or the real one again\n"
           "  key NAME                  a key by SDL's name (l, Left, Home, Escape, Ctrl+q ...)\n"
           "  focus lost|gained         the window loses or regains the focus\n"
           "  drop FILE                 a file dropped on the window\n"
           "  press CONTROL             a control of the panel: save, initialize, load, edit, fix, lines,\n"
           "                            undo, redo or record\n"
           "  record start|stop         a clip of the view\n"
           "\n"
           "Keys in the window: F1 lists them all; Ctrl+O opens, Ctrl+S saves, Ctrl+Shift+S saves as,\n"
           "Ctrl+Z undoes, F11 fills the screen, Ctrl+Q quits.\n"
           "Files: shape files in $XDG_DATA_HOME/lumo/Documents (~/.local/share/lumo/Documents), what is\n"
           "remembered (window, recent files) in $XDG_STATE_HOME/lumo; $LUMO_HOME or --home puts both\n"
           "in one folder. Exit status: 0, 1 when a screenshot or a clip was not written, 2 for a\n"
           "command line or script lumo cannot use, or no display.\n"
           "Manual: man lumo.\n";
}

const char* version_text() { return "lumo " LUMO_VERSION "\n"; }

const char* about_text() {
    return "lumo " LUMO_VERSION
           ", free software under the GNU GPL, version 3 or later (GPL-3.0-or-later), with "
           "no warranty. The licence, where the sources are, and the licences of the libraries it uses: "
#ifdef __EMSCRIPTEN__
           "copyright.txt on this site.";
#else
           "share/doc/lumo/copyright.";
#endif
}

std::optional<AppOptions> parse_options(int argc, const char* const* argv, std::string* error) {
    AppOptions options;
    auto value = [&](int* i, const char* name) -> const char* {
        if (*i + 1 >= argc) {
            *error = std::string(name) + " needs a value";
            return nullptr;
        }
        return argv[++*i];
    };
    // An empty name would be taken for "not given" (or, for --home, for the
    // folder the program runs in): refused rather than quietly ignored.
    auto path = [&](int* i, const char* name, std::string* out) {
        const char* v = value(i, name);
        if (v == nullptr) return false;
        if (*v == '\0') {
            *error = std::string(name) + " needs a file or folder name, not an empty one";
            return false;
        }
        *out = v;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--frames") {
            const char* v = value(&i, "--frames");
            if (v == nullptr) return std::nullopt;
            if (!parse_int(v, &options.frames) || options.frames < 0) {
                *error = std::string("--frames takes a whole number of frames, not \"") + v + "\"";
                return std::nullopt;
            }
        } else if (arg == "--screenshot") {
            if (!path(&i, "--screenshot", &options.screenshot)) return std::nullopt;
        } else if (arg == "--screenshot-at") {
            const char* v = value(&i, "--screenshot-at");
            if (v == nullptr) return std::nullopt;
            const char* colon = std::strchr(v, ':');
            int frame = 0;
            if (colon == nullptr || colon[1] == '\0' || !parse_int(std::string_view(v, colon - v), &frame) ||
                frame < 0) {
                *error = std::string("--screenshot-at takes FRAME:FILE.png, not \"") + v + "\"";
                return std::nullopt;
            }
            options.screenshots_at.emplace_back(frame, colon + 1);
        } else if (arg == "--record") {
            if (!path(&i, "--record", &options.record)) return std::nullopt;
            if (!clip_kind_of(options.record)) {
                *error = "--record takes a file ending in .mp4 or .gif, not \"" + options.record + "\"";
                return std::nullopt;
            }
        } else if (arg == "--script") {
            if (!path(&i, "--script", &options.script)) return std::nullopt;
        } else if (arg == "--home") {
            if (!path(&i, "--home", &options.home)) return std::nullopt;
        } else if (arg == "--size") {
            const char* v = value(&i, "--size");
            if (v == nullptr) return std::nullopt;
            const char* x = std::strchr(v, 'x');
            if (x == nullptr || !parse_int(std::string_view(v, x - v), &options.window_width) ||
                !parse_int(x + 1, &options.window_height) || options.window_width < 160 ||
                options.window_height < 240 || options.window_width > 16384 || options.window_height > 16384) {
                *error = std::string("--size takes WIDTHxHEIGHT in points, at least 160x240, not \"") + v + "\"";
                return std::nullopt;
            }
        } else if (arg == "--pixel-ratio") {
            const char* v = value(&i, "--pixel-ratio");
            if (v == nullptr) return std::nullopt;
            if (!parse_int(v, &options.pixel_ratio) || options.pixel_ratio < 1 || options.pixel_ratio > 4) {
                *error = std::string("--pixel-ratio takes 1, 2, 3 or 4, not \"") + v + "\"";
                return std::nullopt;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = std::string("unknown option ") + std::string(arg);
            return std::nullopt;
        } else {
            options.files.emplace_back(arg);
        }
    }
    // A headless run ends after --frames: a later screenshot would never be taken.
    for (const auto& [frame, path] : options.screenshots_at) {
        if (options.headless && frame > options.frames) {
            *error = "--screenshot-at " + std::to_string(frame) + ":" + path + " is past the last frame (" +
                     std::to_string(options.frames) + "); raise --frames";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace lumo
