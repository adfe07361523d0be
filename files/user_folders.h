#pragma once
// The user's own folders: pictures (where the picture browser starts) and
// videos (where recorded clips go), as the desktop's xdg-user-dirs names them.

#include <filesystem>
#include <optional>
#include <string_view>

namespace lumo {

enum class UserFolder { pictures, videos };

// What one kind of folder is chosen from; empty means unknown.
struct UserFolderSources {
    std::string_view xdg_user_dir_output;  // what `xdg-user-dir PICTURES` (or VIDEOS) printed
    std::string_view user_dirs_file;  // the text of user-dirs.dirs
    std::filesystem::path home;  // the user's home folder
};

// The kind's own folder: the first of these that names an existing folder
// other than the home folder: the output of xdg-user-dir, XDG_PICTURES_DIR
// (XDG_VIDEOS_DIR) in user-dirs.dirs, ~/Pictures (~/Videos). Empty when none
// does; xdg-user-dir answers the home folder when the kind is not set up.
std::filesystem::path own_user_folder(UserFolder kind, const UserFolderSources& sources);

// own_user_folder(pictures), else the home folder. Empty when neither exists.
std::filesystem::path pictures_folder_from(const UserFolderSources& sources);

// own_user_folder(videos), else the pictures folder, else the home folder
// (the home of `videos`). Empty when none exists.
std::filesystem::path videos_folder_from(const UserFolderSources& videos, const UserFolderSources& pictures);

// XDG_PICTURES_DIR (XDG_VIDEOS_DIR) from the text of a user-dirs.dirs file:
// "$HOME/..." or an absolute path, the last assignment winning. nullopt when
// absent or invalid.
std::optional<std::filesystem::path> folder_in_user_dirs(UserFolder kind, std::string_view text,
                                                         const std::filesystem::path& home);

// pictures_folder_from() and videos_folder_from() with this machine's
// xdg-user-dir (when installed), $XDG_CONFIG_HOME/user-dirs.dirs (or
// ~/.config/user-dirs.dirs) and home. They run a program: call them when a
// folder is needed, never per frame.
std::filesystem::path user_pictures_folder();
std::filesystem::path user_videos_folder();

}  // namespace lumo
