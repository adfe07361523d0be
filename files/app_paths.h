#pragma once
// Where the application keeps its files: the home folder and, inside it, the
// documents folder that holds the shape files; and the state folder, for
// what the program remembers between runs (recent files, the window).

#include <filesystem>
#include <string>
#include <string_view>

namespace lumo {

// The values the home folder is chosen from; null or empty means unset.
struct HomeFolderSources {
    std::string_view home_override;  // --home on the command line
    const char* lumo_home = nullptr;  // $LUMO_HOME
    const char* xdg_data_home = nullptr;  // $XDG_DATA_HOME (used only when absolute)
    const char* user_home = nullptr;  // $HOME, or the password entry's folder
};

// The first that is set wins: --home, $LUMO_HOME, $XDG_DATA_HOME/lumo,
// <user home>/.local/share/lumo. Empty when none is.
std::filesystem::path home_folder_from(const HomeFolderSources& sources);

// $HOME, or the password entry's folder when $HOME is unset (services, cron).
std::filesystem::path user_home_folder();
// home_folder_from() with this process's environment, made absolute so that a
// later change of working folder does not move it.
std::filesystem::path application_home_folder(std::string_view home_override = {});

// The values the state folder is chosen from; null or empty means unset.
struct StateFolderSources {
    std::string_view home_override;  // --home on the command line
    const char* lumo_home = nullptr;  // $LUMO_HOME
    const char* xdg_state_home = nullptr;  // $XDG_STATE_HOME (used only when absolute)
    const char* user_home = nullptr;  // $HOME, or the password entry's folder
};

// The first that is set wins: <--home>/state, <$LUMO_HOME>/state,
// $XDG_STATE_HOME/lumo, <user home>/.local/state/lumo. A home given on the
// command line or in $LUMO_HOME keeps everything of lumo's inside it, so a
// run with its own home (tests, a second profile) leaves the user's state
// alone. Empty when none is set.
std::filesystem::path state_folder_from(const StateFolderSources& sources);
// state_folder_from() with this process's environment, made absolute.
std::filesystem::path application_state_folder(std::string_view home_override = {});

// home/Documents: where shape files live.
std::filesystem::path documents_folder(const std::filesystem::path& home);

// Creates folder and its parents when missing. false, with *error set, when it
// cannot be created or something other than a folder is in the way.
bool ensure_folder(const std::filesystem::path& folder, std::string* error);

// ensure_folder(documents_folder(home)).
bool ensure_documents_folder(const std::filesystem::path& home, std::string* error);

}  // namespace lumo
