#pragma once
// Shape files: a rest shape and the picture shown on it, kept as an XML
// property list "<documents>/<stem>.lumo" whose root dictionary holds
// "InitSurfacePosition" (7500 reals: x, y, z of each vertex) and
// "SurfaceImage" (PNG bytes).

#include <cstdint>
#include <ctime>
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
inline constexpr std::string_view kShapeFileExtension = "lumo";

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
bool write_shape_file(const std::filesystem::path& path, std::span<const float> positions,
                      std::span<const uint8_t> png, std::string* error);

// documents/<stem>.lumo. The stem should pass is_valid_stem().
std::filesystem::path shape_file_path(const std::filesystem::path& documents, std::string_view stem);

// A stem names a file in the documents folder and nothing else: refuses "",
// ".", "..", and anything containing '/' or NUL.
bool is_valid_stem(std::string_view stem);

// "YYYY_MM_dd_HH_mm_ss" of a local time, where YYYY is the ISO 8601
// week-based year (strftime's %G), which differs from the calendar year for a
// few days around new year. Only the calendar fields of local_time are read.
std::string shape_file_stem(const std::tm& local_time);
std::string current_shape_file_stem();

// The stems of the shape files in documents, as the saved-file list shows
// them: the folder's entries sorted by name (byte order), each entry whose
// extension (after its last dot) is exactly "lumo" put in front of the
// previous ones, so the newest date stamp comes first. Folders count as
// entries. A stem that is_valid_stem() refuses (".lumo", "..lumo") is left
// out: it could not be loaded. An unlistable folder gives no stems.
std::vector<std::string> list_shape_stems(const std::filesystem::path& documents);

// Removes the temporary files of saves killed more than a minute ago.
void remove_stale_shape_temporaries(const std::filesystem::path& documents);

}  // namespace lumo
