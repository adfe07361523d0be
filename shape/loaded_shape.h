#pragma once
// A shape file read, checked and its picture decoded: everything short of
// showing it, so that it can be done away from the frame's thread. What a
// shape file must hold to be opened is decided here, once.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace lumo {

// x, y and z of each of the 50 x 50 vertices.
inline constexpr std::size_t kShapePositionCount = 7500;
// A shape file's picture larger than this on a side is shrunk as it is
// decoded, keeping its aspect (it is shown stretched over the dome as stored).
inline constexpr int kShapePictureSide = 2048;

// What a file that does not parse as a shape file is, in a user's words: the
// parser's own (property lists, markup, offsets) are no help to them.
inline constexpr const char* kNotAShapeFile = "not a shape file lumo can open";

// Why positions cannot be a shape, in words (without the file's name);
// empty when they are exactly kShapePositionCount finite numbers.
std::string shape_positions_problem(std::span<const float> positions);

struct LoadedShape {
    std::vector<float> positions;  // kShapePositionCount finite numbers
    std::shared_ptr<const Picture> picture;  // null when the file's picture is missing or unusable
    std::string picture_problem;  // then why, in words; empty with a picture
};

// nullopt, with *problem in words (without the file's name), for a file
// that must change nothing: unreadable, no shape file, positions that are
// not kShapePositionCount finite numbers, or a picture too large to take.
std::optional<LoadedShape> load_shape_file(const std::filesystem::path& path, std::string* problem);
std::optional<LoadedShape> load_shape_bytes(std::span<const uint8_t> bytes, std::string* problem);

// The same verdict without decoding the picture (only its header's size is
// read), for a file that is stored rather than opened; empty when it would open.
std::string shape_bytes_problem(std::span<const uint8_t> bytes);

}  // namespace lumo
