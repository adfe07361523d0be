#pragma once
// The user's own folders, where the picture browser starts.

#include <filesystem>
#include <optional>
#include <string_view>

namespace lumo {

// What the pictures folder is chosen from; empty means unknown.
struct PicturesFolderSources {
    std::string_view xdg_user_dir_output;  // what `xdg-user-dir PICTURES` printed
    std::string_view user_dirs_file;       // the text of user-dirs.dirs
    std::filesystem::path home;            // the user's home folder
};

// The first of these that names an existing folder other than the home
// folder: the output of xdg-user-dir, XDG_PICTURES_DIR in user-dirs.dirs,
// ~/Pictures; else the home folder. Empty when none exists.
std::filesystem::path pictures_folder_from(const PicturesFolderSources& sources);

// XDG_PICTURES_DIR from the text of a user-dirs.dirs file: "$HOME/..." or an
// absolute path, the last assignment winning. nullopt when absent or invalid.
std::optional<std::filesystem::path> pictures_folder_in_user_dirs(std::string_view text,
                                                                  const std::filesystem::path& home);

// pictures_folder_from() with this machine's xdg-user-dir (when installed),
// $XDG_CONFIG_HOME/user-dirs.dirs (or ~/.config/user-dirs.dirs) and home.
// Runs a program: call it when a folder is needed, not per frame.
std::filesystem::path user_pictures_folder();

}  // namespace lumo
