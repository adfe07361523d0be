#include "platform/resources.h"

#include <string>
#include <system_error>
#include <vector>

namespace lumo {

namespace {

std::filesystem::path executable_folder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

#if defined(LUMO_SOURCE_DIR) && defined(LUMO_BINARY_DIR)
// The source tree serves only programs run from the build tree: an installed
// lumo finds its files in its share folder or not at all.
bool inside_build_tree(const std::filesystem::path& folder) {
    std::error_code error;
    const auto build = std::filesystem::weakly_canonical(LUMO_BINARY_DIR, error);
    if (error) return false;
    const auto relative = folder.lexically_relative(build);
    return !relative.empty() && *relative.begin() != "..";
}
#endif

}  // namespace

std::filesystem::path find_resource(std::string_view name) {
    const std::filesystem::path folder = executable_folder();
    std::vector<std::filesystem::path> candidates = {
        folder / name,
        folder / ".." / "share" / "lumo" / name,
    };
#if defined(LUMO_SOURCE_DIR) && defined(LUMO_BINARY_DIR)
    if (inside_build_tree(folder)) candidates.push_back(std::filesystem::path(LUMO_SOURCE_DIR) / "assets" / name);
#endif
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
