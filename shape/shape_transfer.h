#pragma once
// Shape files moving in and out of the documents folder whole: one the user
// brings from elsewhere (a file saved on another device), and one handed out
// as it is stored.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

struct ImportedShape {
    std::string stem;  // where it went; empty when refused
    std::string problem;  // why it was refused, in plain words; empty when taken
    bool already_there = false;  // the same bytes were stored under that stem before
};

// Checks the bytes as loading them would (the size cap, a property list
// within the depth guard, 7500 finite positions, a picture within the size
// limit) and stores them unchanged, atomically, as documents/<stem>.lumo.
// The stem is the file's own name without ".lumo" when that is free (or
// holds the same bytes), else the name with "_2", "_3", ... A refused file
// writes nothing.
ImportedShape import_shape_file(const std::filesystem::path& documents, std::string_view name,
                                std::span<const uint8_t> bytes);

// The same for a file already checked (check_shape_task(), beside the
// frames), on the same file system: `file` is renamed into the documents
// folder under the stem chosen as above, so that it never needs to be in
// memory whole. A file already there under such a stem is compared piece
// by piece. `file` is gone afterwards either way.
ImportedShape import_checked_shape_file(const std::filesystem::path& documents, std::string_view name,
                                        const std::filesystem::path& file);

// documents/<stem>.lumo as stored; nullopt with *error when it cannot be read.
std::optional<std::vector<uint8_t>> stored_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                      std::string* error);

}  // namespace lumo
