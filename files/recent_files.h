#pragma once
// The files opened or saved most recently, newest first, kept between runs in
// the state folder (files/app_paths.h) as one path a line.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace lumo {

class RecentFiles {
public:
    static constexpr std::size_t kLimit = 10;

    // Reads the list kept in `store` (state folder/recent-files). A missing
    // store is an empty list; a damaged one gives the lines that still read
    // as absolute paths.
    explicit RecentFiles(std::filesystem::path store);

    // Puts file (made absolute) first, drops its older entry and any beyond
    // kLimit, and writes the store atomically. false, with *error set, when
    // the store cannot be written; the list in memory has changed all the same.
    bool add(const std::filesystem::path& file, std::string* error);

    // The entries whose files still exist, newest first. The others are
    // forgotten quietly; the store loses them at its next write.
    std::vector<std::filesystem::path> existing();

    // Every entry, newest first, without looking at the files.
    const std::vector<std::filesystem::path>& entries() const { return entries_; }

private:
    std::filesystem::path store_;
    std::vector<std::filesystem::path> entries_;
};

}  // namespace lumo
