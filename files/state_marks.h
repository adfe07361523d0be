#pragma once
// Things the program remembers happened once, across runs: a small file
// named after each in the state folder (files/app_paths.h), such as
// "hint-used" once the panel's hint has done its work.

#include <filesystem>
#include <string>
#include <string_view>

namespace lumo {

// Whether the mark `name` is kept in state_folder.
bool has_state_mark(const std::filesystem::path& state_folder, std::string_view name);

// Keeps the mark, creating the folder; false, with *error set, when it
// cannot be written (the program then simply forgets it at exit).
bool set_state_mark(const std::filesystem::path& state_folder, std::string_view name, std::string* error);

}  // namespace lumo
