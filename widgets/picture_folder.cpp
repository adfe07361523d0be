#include "widgets/picture_folder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>

namespace lumo {
namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// Case ignored first, so "b" sorts between "A" and "C"; the exact bytes break
// ties so that the order never depends on the listing's.
bool name_before(const FolderEntry& a, const FolderEntry& b) {
    if (a.is_folder != b.is_folder) return a.is_folder;
    const bool less = std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                                   [](char x, char y) { return lower(x) < lower(y); });
    if (less) return true;
    if (equal_ignoring_case(a.name, b.name)) return a.name < b.name;
    return false;
}

}  // namespace

bool has_picture_extension(std::string_view name) {
    static constexpr std::array<std::string_view, 13> kExtensions = {"png",  "jpg", "jpeg", "gif", "bmp", "webp", "tif",
                                                                     "tiff", "qoi", "pnm",  "ppm", "pgm", "pbm"};
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    const std::string_view extension = name.substr(dot + 1);
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [extension](std::string_view known) { return equal_ignoring_case(extension, known); });
}

bool has_shape_extension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot != std::string_view::npos && dot != 0 && equal_ignoring_case(name.substr(dot + 1), "lumo");
}

bool list_picture_folder(const std::filesystem::path& folder, std::vector<FolderEntry>* entries, std::string* error,
                         bool shape_files) {
    entries->clear();
    std::error_code code;
    std::filesystem::directory_iterator it(folder, code);
    const std::filesystem::directory_iterator end;
    for (; !code && it != end; it.increment(code)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code status_code;
        // Follows links; a dangling one fails both tests and is left out.
        if (it->is_directory(status_code)) {
            entries->push_back({std::move(name), true});
        } else if (it->is_regular_file(status_code)) {
            const bool shape = shape_files && has_shape_extension(name);
            if (shape || has_picture_extension(name)) entries->push_back({std::move(name), false, shape});
        }
    }
    if (code) {
        entries->clear();
        if (error) {
            const std::string shown = folder.has_filename() ? folder.filename().string() : folder.string();
            *error = "Cannot read the folder " + shown + ": " + code.message();
        }
        return false;
    }
    std::sort(entries->begin(), entries->end(), name_before);
    return true;
}

std::filesystem::path normalised_folder(const std::filesystem::path& folder) {
    std::error_code code;
    std::filesystem::path result = std::filesystem::absolute(folder, code);
    if (code) result = folder;
    result = result.lexically_normal();
    if (result.has_relative_path() && !result.has_filename()) result = result.parent_path();
    return result;
}

}  // namespace lumo
