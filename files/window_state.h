#pragma once
// The window's place and size, kept between runs in the state folder
// (files/app_paths.h) as a few "key=value" lines. Whether the saved place
// still suits the screens connected now is for the caller to decide
// (platform/window_metrics.h, window_fits_display).

#include <filesystem>
#include <optional>
#include <string>

namespace lumo {

struct WindowState {
    int x = 0, y = 0;  // the window's top-left corner on the desktop, in points
    int width = 0, height = 0;  // its size in points when not full screen
    bool full_screen = false;
};

// The state kept in store; nullopt when there is none, or when it is damaged
// (a value missing, not a number, or out of any screen's range).
std::optional<WindowState> read_window_state(const std::filesystem::path& store);

// Writes state to store atomically, creating its folder. false, with *error
// set, when it cannot be written; what was kept before is then untouched.
bool write_window_state(const std::filesystem::path& store, const WindowState& state, std::string* error);

}  // namespace lumo
