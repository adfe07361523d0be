#include "widgets/user_folders.h"

#include "files/app_paths.h"


#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

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

std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::optional<std::filesystem::path> pictures_folder_in_user_dirs(std::string_view text,
                                                                  const std::filesystem::path& home) {
    constexpr std::string_view key = "XDG_PICTURES_DIR";
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

// xdg-user-dir names the home folder itself when no pictures folder is
// configured; an existing ~/Pictures is the better guess then.
std::filesystem::path pictures_folder_from(const PicturesFolderSources& sources) {
    const auto is_home = [&](const std::filesystem::path& folder) {
        std::error_code code;
        return !sources.home.empty() && std::filesystem::equivalent(folder, sources.home, code);
    };
    const std::filesystem::path from_program(trimmed(sources.xdg_user_dir_output));
    if (is_existing_folder(from_program) && !is_home(from_program)) return from_program;
    if (auto from_file = pictures_folder_in_user_dirs(sources.user_dirs_file, sources.home);
        from_file && is_existing_folder(*from_file) && !is_home(*from_file))
        return *from_file;
    if (!sources.home.empty() && is_existing_folder(sources.home / "Pictures")) return sources.home / "Pictures";
    if (is_existing_folder(sources.home)) return sources.home;
    return {};
}

std::filesystem::path user_pictures_folder() {
    const std::filesystem::path home = user_home_folder();
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path config = is_set(config_home) && config_home[0] == '/'
                                             ? std::filesystem::path(config_home)
                                             : home / ".config";
    const std::string program_output = output_of("xdg-user-dir PICTURES 2>/dev/null");
    const std::string user_dirs = config.is_absolute() ? file_text(config / "user-dirs.dirs") : std::string();
    PicturesFolderSources sources;
    sources.xdg_user_dir_output = program_output;
    sources.user_dirs_file = user_dirs;
    sources.home = home;
    return pictures_folder_from(sources);
}

}  // namespace lumo
