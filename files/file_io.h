#pragma once
// Whole-file reading with a size cap, and atomic replacement of a file.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// The whole content of a regular file no bigger than max_bytes. The size is
// checked before anything is read, so an oversized file costs no memory.
// nullopt, with *error set, for a missing, unreadable or oversized file and
// for anything that is not a regular file (a folder, a pipe, a device).
std::optional<std::vector<uint8_t>> read_whole_file(const std::filesystem::path& path, std::uintmax_t max_bytes,
                                                    std::string* error);

// Replaces path with bytes so that the target is either the complete new
// content or untouched: a temporary file in the same folder is written,
// flushed to disk and renamed over the target, then the folder is flushed.
// On any failure the temporary file is removed and false returned with *error
// set; the target is then untouched, unless only the final flush of the folder
// failed (the new content is in place but might not survive a power cut).
bool write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* error);

// A process killed during write_file_atomically() leaves its temporary file
// (".NAME.XXXXXX") behind. Removes those in folder whose NAME ends with
// `extension` and that were last written at least `min_age` ago (a younger
// one may belong to a save still running). Returns how many went.
int remove_stale_temporaries(const std::filesystem::path& folder, std::string_view extension,
                             std::chrono::seconds min_age);

}  // namespace lumo
