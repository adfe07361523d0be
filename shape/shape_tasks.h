#pragma once
// Opening, checking and encoding shape files as work beside the frames
// (host_run_in_background): each task is a plain function from a file and
// bytes to bytes, and each has its reader for the main thread's side. The
// bytes never leave the program (the browser's second copy is the same
// build), so they are laid out as the machine holds them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "shape/loaded_shape.h"

namespace lumo {

// load_shape_file(file), packed; `input` is not read.
std::vector<uint8_t> load_shape_task(const std::filesystem::path& file, std::span<const uint8_t> input);
// What load_shape_task() found: the shape, or nullopt with *problem in words.
std::optional<LoadedShape> loaded_shape_from(std::span<const uint8_t> output, std::string* problem);

// shape_bytes_problem() of the file's bytes, as text (empty: it would open);
// a file that cannot be read says why. `input` is not read.
std::vector<uint8_t> check_shape_task(const std::filesystem::path& file, std::span<const uint8_t> input);
std::string shape_problem_from(std::span<const uint8_t> output);

// The input for encode_shape_task(): a rest shape and the picture to store
// with it (none: the file holds no picture).
std::vector<uint8_t> shape_to_encode(std::span<const float> positions, const Picture* picture);
// The shape file's bytes (serialize_shape_file(), the picture as PNG); `file`
// is not read. Empty when the input is not what shape_to_encode() makes.
std::vector<uint8_t> encode_shape_task(const std::filesystem::path& file, std::span<const uint8_t> input);

}  // namespace lumo
