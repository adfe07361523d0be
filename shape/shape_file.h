#pragma once
// Shape files: a rest shape and the picture shown on it, kept as an XML
// property list "<documents>/<stem>.lumo" whose root dictionary holds
// "InitSurfacePosition" (7500 reals: x, y, z of each vertex) and
// "SurfaceImage" (PNG bytes).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr std::uintmax_t kMaxShapeFileBytes = 64ull << 20;
inline constexpr const char* kShapePositionsKey = "InitSurfacePosition";
inline constexpr const char* kShapeImageKey = "SurfaceImage";

struct ShapeFileContents {
    // "InitSurfacePosition": nullopt when missing or not an array. Every
    // element must be a real or an integer (converted to the nearest float,
    // infinity beyond the float range); an element of any other kind makes the
    // whole array count as missing. Any count and any value, NaN included, is
    // returned as it is: the caller checks for 7500 finite values.
    std::optional<std::vector<float>> positions;
    // "SurfaceImage": nullopt when missing or not data. Not checked as PNG.
    std::optional<std::vector<uint8_t>> image;
};

// nullopt, with *error set, when the bytes are not a readable property list
// (XML or binary), nest deeper than a shape file could, or have a root that is
// not a dictionary.
std::optional<ShapeFileContents> parse_shape_file(std::span<const uint8_t> bytes, std::string* error);

// Why path cannot be a shape file, in plain words and without the path
// ("no such file", "it is a folder, not a shape file", ...); empty when it is
// a regular file no bigger than kMaxShapeFileBytes.
std::string shape_file_problem(const std::filesystem::path& path);

// parse_shape_file() of a file no bigger than kMaxShapeFileBytes; the size is
// checked before reading. *error says what is wrong without naming the path,
// for the caller to name it once.
std::optional<ShapeFileContents> read_shape_file(const std::filesystem::path& path, std::string* error);

// The XML property list that write_shape_file() stores. Every float reads
// back bit for bit.
std::vector<uint8_t> serialize_shape_file(std::span<const float> positions, std::span<const uint8_t> png);

// Writes atomically: the target is the complete new file or left untouched.
// Positions that are not all finite are refused and nothing is written.
bool write_shape_file(const std::filesystem::path& path, std::span<const float> positions, std::span<const uint8_t> png,
                      std::string* error);

// A new shape file in documents under the first free name of STEM, STEM-2,
// STEM-3, ... (numbered_stem()), never replacing a file: two saves in one
// second both keep theirs. The path it got; nullopt, with *error in plain
// words, leaves nothing behind.
std::optional<std::filesystem::path> write_new_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                          std::span<const float> positions,
                                                          std::span<const uint8_t> png, std::string* error);

// The same for a file already serialised (serialize_shape_file(), perhaps
// beside the frames).
std::optional<std::filesystem::path> store_new_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                          std::span<const uint8_t> bytes, std::string* error);

}  // namespace lumo
