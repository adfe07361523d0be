#pragma once
// The command line.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumo {

struct AppOptions {
    bool headless = false;
    int frames = 60;  // headless: frame intervals to run
    std::string screenshot;  // headless: PNG of the last composed frame
    std::vector<std::pair<int, std::string>> screenshots_at;  // frame number, PNG
    std::string home;  // --home: the application's home folder
    std::string script;  // timed input to replay
    std::string record;  // --record: FILE.mp4 or FILE.gif, the one file clips go to
    std::vector<std::string> files;  // shape files or pictures to open after launch
    int window_width = 0;  // --size: points; 0 x 0 suits the display (320 x 480 headless)
    int window_height = 0;
    int pixel_ratio = 1;  // --pixel-ratio: headless, pixels per point (2: a high-DPI screen)
    bool help = false;
    bool version = false;
    // Open and Save As ask the desktop's portal even headless (tests with a
    // stand-in portal); a headless run otherwise uses lumo's own screens.
    bool desktop_dialogs = false;
};

// nullopt with *error set when the command line makes no sense.
std::optional<AppOptions> parse_options(int argc, const char* const* argv, std::string* error);
const char* usage_text();
// "lumo X.Y.Z" and a newline.
const char* version_text();
// The help's About line: the version, the licence, where the sources and
// the libraries' licences are.
const char* about_text();

}  // namespace lumo
