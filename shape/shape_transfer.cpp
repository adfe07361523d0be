#include "shape/shape_transfer.h"

#include <algorithm>
#include <system_error>

#include "files/app_paths.h"
#include "files/file_io.h"
#include "shape/loaded_shape.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace lumo {

namespace {

constexpr int kMaxNameTries = 99;

std::string stem_of(std::string_view name) {
    const std::string extension = "." + std::string(kShapeFileExtension);
    const std::size_t slash = name.find_last_of('/');
    std::string stem(slash == std::string_view::npos ? name : name.substr(slash + 1));
    if (stem.size() > extension.size() && stem.ends_with(extension)) stem.resize(stem.size() - extension.size());
    // No hidden files, and nothing the saved-file list could not load.
    if (!is_valid_stem(stem) || stem.front() == '.') return current_shape_file_stem();
    return stem;
}

bool same_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::string ignored;
    const std::optional<std::vector<uint8_t>> stored = read_whole_file(path, kMaxShapeFileBytes, &ignored);
    return stored && std::equal(stored->begin(), stored->end(), bytes.begin(), bytes.end());
}

}  // namespace

ImportedShape import_shape_file(const std::filesystem::path& documents, std::string_view name,
                                std::span<const uint8_t> bytes) {
    ImportedShape result;
    if (std::string problem = shape_bytes_problem(bytes); !problem.empty()) {
        result.problem = std::move(problem);
        return result;
    }
    std::string error;
    if (!ensure_folder(documents, &error)) {
        result.problem = error;
        return result;
    }
    const std::string base = stem_of(name);
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string stem = attempt == 1 ? base : base + "_" + std::to_string(attempt);
        const std::filesystem::path path = shape_file_path(documents, stem);
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored)) {
            if (!same_bytes(path, bytes)) continue;
            result.stem = stem;
            result.already_there = true;
            return result;
        }
        if (!write_file_atomically(path, bytes, &error)) {
            result.problem = error;
            return result;
        }
        result.stem = stem;
        return result;
    }
    result.problem = "too many saved shapes are named " + base;
    return result;
}

std::optional<std::vector<uint8_t>> stored_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                      std::string* error) {
    if (!is_valid_stem(stem)) {
        if (error) *error = "not a shape file name";
        return std::nullopt;
    }
    return read_whole_file(shape_file_path(documents, stem), kMaxShapeFileBytes, error);
}

}  // namespace lumo
