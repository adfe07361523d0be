#include "files/user_folders.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "files/app_paths.h"
#include "files/file_io.h"

namespace lumo {
namespace {

bool is_set(const char* value) { return value != nullptr && value[0] != '\0'; }

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool is_existing_folder(const std::filesystem::path& folder) {
    std::error_code code;
    return !folder.empty() && folder.is_absolute() && std::filesystem::is_directory(folder, code);
}

// The shell-quoted value after '=': "..." with backslash escapes, or bare.
std::optional<std::string> unquoted(std::string_view value) {
    if (value.empty() || value.front() != '"') return std::string(value);
    std::string result;
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') return result;
        if (c == '\\' && i + 1 < value.size()) {
            result += value[++i];
            continue;
        }
        result += c;
    }
    return std::nullopt;  // no closing quote
}

// Everything the program prints on its standard output; empty when it cannot
// run. Its error output is dropped, so a missing program says nothing.
std::string output_of(const char* command) {
    std::string output;
    FILE* pipe = ::popen(command, "r");
    if (pipe == nullptr) return output;
    std::array<char, 512> chunk{};
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), got);
    const int status = ::pclose(pipe);
    if (status != 0) output.clear();
    return output;
}

// Never a pipe or a device in the file's place: those are not waited on.
std::string file_text(const std::filesystem::path& path) {
    constexpr std::uintmax_t kMaxBytes = 1 << 20;
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(path, kMaxBytes, nullptr);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

struct KindNames {
    std::string_view user_dirs_key;  // in user-dirs.dirs
    std::string_view usual_folder;  // below home, when nothing names one
    const char* command;  // xdg-user-dir's question
};

KindNames names_of(UserFolder kind) {
    if (kind == UserFolder::videos) return {"XDG_VIDEOS_DIR", "Videos", "xdg-user-dir VIDEOS 2>/dev/null"};
    return {"XDG_PICTURES_DIR", "Pictures", "xdg-user-dir PICTURES 2>/dev/null"};
}

std::filesystem::path existing_or_empty(const std::filesystem::path& folder) {
    return is_existing_folder(folder) ? folder : std::filesystem::path();
}

// What one kind is chosen from on this machine, owned (UserFolderSources only views it).
struct MachineSources {
    std::string program_output;
    std::string user_dirs;
    UserFolderSources sources;
};

MachineSources machine_sources(UserFolder kind, const std::filesystem::path& home) {
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path config =
        is_set(config_home) && config_home[0] == '/' ? std::filesystem::path(config_home) : home / ".config";
    MachineSources machine;
    machine.program_output = output_of(names_of(kind).command);
    machine.user_dirs = config.is_absolute() ? file_text(config / "user-dirs.dirs") : std::string();
    return machine;
}

UserFolderSources view_of(const MachineSources& machine, const std::filesystem::path& home) {
    UserFolderSources sources;
    sources.xdg_user_dir_output = machine.program_output;
    sources.user_dirs_file = machine.user_dirs;
    sources.home = home;
    return sources;
}

}  // namespace

std::optional<std::filesystem::path> folder_in_user_dirs(UserFolder kind, std::string_view text,
                                                         const std::filesystem::path& home) {
    const std::string_view key = names_of(kind).user_dirs_key;
    std::optional<std::filesystem::path> found;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.starts_with(key)) continue;
        const std::string_view rest = trimmed(line.substr(key.size()));
        if (rest.empty() || rest.front() != '=') continue;
        const std::optional<std::string> value = unquoted(trimmed(rest.substr(1)));
        if (!value) continue;
        // The file's format allows only these two forms.
        constexpr std::string_view home_variable = "$HOME";
        if (value->starts_with(home_variable) &&
            (value->size() == home_variable.size() || (*value)[home_variable.size()] == '/')) {
            if (home.empty()) continue;
            const std::string below = value->substr(std::min(value->size(), home_variable.size() + 1));
            found = below.empty() ? home : home / below;
        } else if (!value->empty() && value->front() == '/') {
            found = std::filesystem::path(*value);
        }
    }
    return found;
}

// xdg-user-dir names the home folder itself when the kind is not configured;
// an existing ~/Pictures (~/Videos) is the better guess then.
std::filesystem::path own_user_folder(UserFolder kind, const UserFolderSources& sources) {
    const auto is_home = [&](const std::filesystem::path& folder) {
        std::error_code code;
        return !sources.home.empty() && std::filesystem::equivalent(folder, sources.home, code);
    };
    const std::filesystem::path from_program(trimmed(sources.xdg_user_dir_output));
    if (is_existing_folder(from_program) && !is_home(from_program)) return from_program;
    if (auto from_file = folder_in_user_dirs(kind, sources.user_dirs_file, sources.home);
        from_file && is_existing_folder(*from_file) && !is_home(*from_file))
        return *from_file;
    if (!sources.home.empty()) return existing_or_empty(sources.home / names_of(kind).usual_folder);
    return {};
}

std::filesystem::path pictures_folder_from(const UserFolderSources& sources) {
    if (auto own = own_user_folder(UserFolder::pictures, sources); !own.empty()) return own;
    return existing_or_empty(sources.home);
}

std::filesystem::path videos_folder_from(const UserFolderSources& videos, const UserFolderSources& pictures) {
    if (auto own = own_user_folder(UserFolder::videos, videos); !own.empty()) return own;
    return pictures_folder_from(pictures);
}

std::filesystem::path user_pictures_folder() {
    const std::filesystem::path home = user_home_folder();
    const MachineSources pictures = machine_sources(UserFolder::pictures, home);
    return pictures_folder_from(view_of(pictures, home));
}

std::filesystem::path user_videos_folder() {
    const std::filesystem::path home = user_home_folder();
    const MachineSources videos = machine_sources(UserFolder::videos, home);
    if (auto own = own_user_folder(UserFolder::videos, view_of(videos, home)); !own.empty()) return own;
    return user_pictures_folder();
}

}  // namespace lumo
