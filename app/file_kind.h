#pragma once
// What a file named on the command line (or dropped on the window) is.

#include <filesystem>

namespace lumo {

// A shape file: named *.lumo (in any case), or, whatever its name, a
// property list, XML or binary, as the desktop's file type recognises one
// (dist/lumo-mime.xml). Everything else is taken for a picture.
bool is_shape_file(const std::filesystem::path& path);

}  // namespace lumo
