#pragma once
// Where Save As puts a shape file: the place the desktop's dialog chose, or
// the name typed into lumo's own field, always ending in ".lumo".

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// path with ".lumo" after it, unless its name already ends so (in any case).
std::filesystem::path with_shape_extension(const std::filesystem::path& path);

// The file a typed name stands for: a bare name goes into documents; a
// name with a '/' is a path, "~/" the user's home, and one that is not
// absolute is taken from documents. Blanks around it are dropped, and
// ".lumo" is added where it is missing. nullopt, with *problem in a user's
// words, for nothing typed or a name that ends in a folder.
std::optional<std::filesystem::path> save_as_target(const std::filesystem::path& documents, std::string_view typed,
                                                    std::string* problem);

}  // namespace lumo
