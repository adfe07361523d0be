#pragma once
// Opening a picture file by its path, the way every picture decoder here
// does: only a regular file is ever read. Internal to picture/.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace lumo {

struct PictureFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using PictureFilePtr = std::unique_ptr<std::FILE, PictureFileCloser>;

// The file open for reading and its size in *size; null, with *why in plain
// words (naming the path), for a missing file and for anything but a regular
// file. A pipe or a device is refused without waiting on it.
PictureFilePtr open_picture_file(const std::filesystem::path& path, std::uintmax_t* size, std::string* why);

}  // namespace lumo
