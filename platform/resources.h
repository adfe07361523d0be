#pragma once
// The program's own files (the default picture, the interface font): next to the binary, in the
// installed share folder, or in the source tree for uninstalled builds.

#include <filesystem>
#include <string_view>

namespace lumo {

// Empty path when the resource is nowhere to be found.
std::filesystem::path find_resource(std::string_view name);

// The interface's TrueType font: where resources are, else where Debian's
// fonts-dejavu-core puts it. Empty when it is nowhere.
inline constexpr std::string_view kInterfaceFontFile = "DejaVuSans.ttf";
std::filesystem::path find_font(std::string_view name = kInterfaceFontFile);

}  // namespace lumo
