#include "platform/resources.h"

#include <string>
#include <system_error>

namespace lumo {

namespace {

std::filesystem::path executable_folder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::filesystem::path find_resource(std::string_view name) {
    const std::filesystem::path folder = executable_folder();
    std::filesystem::path candidates[] = {
        folder / name,
        folder / ".." / "share" / "lumo" / name,
#ifdef LUMO_SOURCE_DIR
        std::filesystem::path(LUMO_SOURCE_DIR) / "assets" / name,
#endif
    };
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

std::filesystem::path find_font(std::string_view name) {
    if (std::filesystem::path found = find_resource(name); !found.empty()) return found;
    const std::filesystem::path system = std::filesystem::path("/usr/share/fonts/truetype/dejavu") / name;
    std::error_code error;
    return std::filesystem::is_regular_file(system, error) ? system : std::filesystem::path();
}

}  // namespace lumo
