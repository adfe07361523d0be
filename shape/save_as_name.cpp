#include "shape/save_as_name.h"

#include <algorithm>
#include <cctype>

#include "files/app_paths.h"
#include "shape/shape_names.h"

namespace lumo {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::filesystem::path with_shape_extension(const std::filesystem::path& path) {
    const std::string wanted = "." + std::string(kShapeFileExtension);
    if (lower(path.extension().string()) == wanted && path.stem() != "") return path;
    return std::filesystem::path(path.string() + wanted);
}

std::optional<std::filesystem::path> save_as_target(const std::filesystem::path& documents, std::string_view typed,
                                                    std::string* problem) {
    while (!typed.empty() && is_blank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && is_blank(typed.back())) typed.remove_suffix(1);
    if (typed.empty()) {
        *problem = "Type a name for the shape file";
        return std::nullopt;
    }
    std::filesystem::path path;
    if (typed == "~" || typed.starts_with("~/")) {
        const std::filesystem::path home = user_home_folder();
        if (home.empty()) {
            *problem = "There is no home folder for ~ to stand for";
            return std::nullopt;
        }
        path = home / std::string(typed.substr(std::min<std::size_t>(typed.size(), 2)));
    } else {
        path = documents / std::string(typed);  // an absolute name replaces documents
    }
    const std::string name = path.filename().string();
    if (typed.back() == '/' || name.empty() || name == "." || name == "..") {
        *problem = std::string(typed) + " is a folder: type a file name after it";
        return std::nullopt;
    }
    return with_shape_extension(path.lexically_normal());
}

}  // namespace lumo
