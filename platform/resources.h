#pragma once
// The program's own files (the default picture): next to the binary, in the
// installed share folder, or in the source tree for uninstalled builds.

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/picture.h"

namespace lumo {

// Empty path when the resource is nowhere to be found.
std::filesystem::path find_resource(std::string_view name);
// The named picture at its own size, or null (with a line on stderr) when it
// is missing or does not decode.
std::shared_ptr<const Picture> imageNamed(std::string_view name);

}  // namespace lumo
