#include "shape/shape_transfer.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <system_error>

#include "files/app_paths.h"
#include "files/file_error_words.h"
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

constexpr std::size_t kPiece = 64 * 1024;

bool same_contents(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error_a, error_b;
    if (std::filesystem::file_size(a, error_a) != std::filesystem::file_size(b, error_b) || error_a || error_b)
        return false;
    std::ifstream in_a(a, std::ios::binary), in_b(b, std::ios::binary);
    std::vector<char> piece_a(kPiece), piece_b(kPiece);
    while (in_a && in_b) {
        in_a.read(piece_a.data(), static_cast<std::streamsize>(kPiece));
        in_b.read(piece_b.data(), static_cast<std::streamsize>(kPiece));
        if (in_a.gcount() != in_b.gcount() ||
            !std::equal(piece_a.begin(), piece_a.begin() + in_a.gcount(), piece_b.begin()))
            return false;
    }
    return in_a.eof() && in_b.eof();
}

// The first stem free for `name` (or holding the same bytes, by `same`),
// and what happened there: `place` puts the file under a free one, false
// with *error when it cannot.
ImportedShape choose_stem(const std::filesystem::path& documents, std::string_view name,
                          const std::function<bool(const std::filesystem::path&)>& same,
                          const std::function<bool(const std::filesystem::path&, std::string*)>& place) {
    ImportedShape result;
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
            if (!same(path)) continue;
            result.stem = stem;
            result.already_there = true;
            return result;
        }
        if (!place(path, &error)) {
            result.problem = error;
            return result;
        }
        result.stem = stem;
        return result;
    }
    result.problem = "too many saved shapes are named " + base;
    return result;
}

}  // namespace

ImportedShape import_shape_file(const std::filesystem::path& documents, std::string_view name,
                                std::span<const uint8_t> bytes) {
    if (std::string problem = shape_bytes_problem(bytes); !problem.empty()) {
        ImportedShape result;
        result.problem = std::move(problem);
        return result;
    }
    return choose_stem(
        documents, name, [bytes](const std::filesystem::path& stored) { return same_bytes(stored, bytes); },
        [bytes](const std::filesystem::path& path, std::string* error) {
            return write_file_atomically(path, bytes, error);
        });
}

ImportedShape import_checked_shape_file(const std::filesystem::path& documents, std::string_view name,
                                        const std::filesystem::path& file) {
    ImportedShape result = choose_stem(
        documents, name, [&file](const std::filesystem::path& stored) { return same_contents(stored, file); },
        [&file](const std::filesystem::path& path, std::string* error) {
            std::error_code moved;
            std::filesystem::rename(file, path, moved);
            if (moved) *error = file_error_words(moved.value());
            return !moved;
        });
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
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
