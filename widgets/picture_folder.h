#pragma once
// What the picture browser lists of a folder: its folders, then the files in
// a picture format the decoder reads. Hidden entries are left out.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

struct FolderEntry {
    std::string name;  // the entry's file name, without any trailing '/'
    bool is_folder = false;
    bool is_shape = false;  // a shape file (listed only when asked for)
};

// True for the extensions of the formats load_picture_file decodes (png, jpg,
// jpeg, gif, bmp, webp, tif, tiff, qoi, pnm, ppm, pgm, pbm), in any case.
bool has_picture_extension(std::string_view name);
// True for a shape file's ".lumo", in any case.
bool has_shape_extension(std::string_view name);

// The folder's sub-folders, then its pictures (and, with shape_files, its
// shape files among them), each group in name order with case ignored;
// entries starting with '.' are not listed, nor are other files. A link
// counts as what it points to. false, with a one-line *error and no
// entries, when the folder cannot be read.
bool list_picture_folder(const std::filesystem::path& folder, std::vector<FolderEntry>* entries, std::string* error,
                         bool shape_files = false);

// The folder absolute and without "." or ".." parts or a trailing '/'.
std::filesystem::path normalised_folder(const std::filesystem::path& folder);

}  // namespace lumo
