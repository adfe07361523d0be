#pragma once
// The program's own files (the default picture): next to the binary, in the
// installed share folder, or in the source tree for uninstalled builds.

#include <filesystem>
#include <string_view>

namespace lumo {

// Empty path when the resource is nowhere to be found.
std::filesystem::path find_resource(std::string_view name);

}  // namespace lumo
