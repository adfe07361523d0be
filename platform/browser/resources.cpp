#include "platform/resources.h"

#include <system_error>

namespace lumo {

// The page packs the program's own files into this folder of its virtual
// file system.
std::filesystem::path find_resource(std::string_view name) {
    const std::filesystem::path candidate = std::filesystem::path("/resources") / name;
    std::error_code error;
    return std::filesystem::is_regular_file(candidate, error) ? candidate : std::filesystem::path();
}

// The page packs the interface font with the picture.
std::filesystem::path find_font(std::string_view name) { return find_resource(name); }

}  // namespace lumo
