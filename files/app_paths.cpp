#include "files/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <system_error>

namespace lumo {
namespace {

bool is_set(const char* value) { return value != nullptr && value[0] != '\0'; }

std::filesystem::path made_absolute(const std::filesystem::path& folder) {
    if (folder.empty()) return folder;
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ignored);
    return absolute.empty() ? folder : absolute;
}

}  // namespace

std::filesystem::path user_home_folder() {
    if (const char* home = std::getenv("HOME"); is_set(home)) return home;
    std::array<char, 4096> buffer{};
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && is_set(found->pw_dir))
        return found->pw_dir;
    return {};
}

std::filesystem::path home_folder_from(const HomeFolderSources& sources) {
    if (!sources.home_override.empty()) return std::filesystem::path(sources.home_override);
    if (is_set(sources.lumo_home)) return std::filesystem::path(sources.lumo_home);
    // The XDG base-directory rules ignore a relative value.
    if (is_set(sources.xdg_data_home) && sources.xdg_data_home[0] == '/')
        return std::filesystem::path(sources.xdg_data_home) / "lumo";
    if (is_set(sources.user_home)) return std::filesystem::path(sources.user_home) / ".local" / "share" / "lumo";
    return {};
}

std::filesystem::path application_home_folder(std::string_view home_override) {
    const std::string home = user_home_folder().string();
    HomeFolderSources sources;
    sources.home_override = home_override;
    sources.lumo_home = std::getenv("LUMO_HOME");
    sources.xdg_data_home = std::getenv("XDG_DATA_HOME");
    sources.user_home = home.c_str();
    return made_absolute(home_folder_from(sources));
}

std::filesystem::path state_folder_from(const StateFolderSources& sources) {
    if (!sources.home_override.empty()) return std::filesystem::path(sources.home_override) / "state";
    if (is_set(sources.lumo_home)) return std::filesystem::path(sources.lumo_home) / "state";
    if (is_set(sources.xdg_state_home) && sources.xdg_state_home[0] == '/')
        return std::filesystem::path(sources.xdg_state_home) / "lumo";
    if (is_set(sources.user_home)) return std::filesystem::path(sources.user_home) / ".local" / "state" / "lumo";
    return {};
}

std::filesystem::path application_state_folder(std::string_view home_override) {
    const std::string home = user_home_folder().string();
    StateFolderSources sources;
    sources.home_override = home_override;
    sources.lumo_home = std::getenv("LUMO_HOME");
    sources.xdg_state_home = std::getenv("XDG_STATE_HOME");
    sources.user_home = home.c_str();
    return made_absolute(state_folder_from(sources));
}

std::filesystem::path documents_folder(const std::filesystem::path& home) { return home / "Documents"; }

bool ensure_folder(const std::filesystem::path& folder, std::string* error) {
    if (folder.empty()) {
        if (error) *error = "no folder given";
        return false;
    }
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    std::error_code probe;
    if (std::filesystem::is_directory(folder, probe)) return true;
    if (!error) return false;
    // Say what is in the way rather than the bare "File exists".
    const std::filesystem::file_status link = std::filesystem::symlink_status(folder, probe);
    if (std::filesystem::is_symlink(link)) {
        std::error_code unread;
        const std::filesystem::path target = std::filesystem::read_symlink(folder, unread);
        *error = "cannot use folder " + folder.string() + ": it is a link to " + target.string() +
                 ", which is not a folder that exists";
    } else if (std::filesystem::exists(link)) {
        *error = "cannot use folder " + folder.string() + ": a file of that name is in the way";
    } else {
        *error = "cannot create folder " + folder.string() + ": " +
                 (code ? code.message() : std::string("something else is in the way"));
    }
    return false;
}

bool ensure_documents_folder(const std::filesystem::path& home, std::string* error) {
    return ensure_folder(documents_folder(home), error);
}

}  // namespace lumo
