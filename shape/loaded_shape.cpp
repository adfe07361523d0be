#include "shape/loaded_shape.h"

#include <algorithm>
#include <cmath>

#include "files/file_io.h"
#include "picture/picture_header.h"
#include "picture/picture_prepare.h"
#include "shape/shape_file.h"

namespace lumo {

namespace {

std::string picture_size_problem(const std::vector<uint8_t>& image) {
    const PictureHeader header = read_picture_header(image);
    if (header.width > static_cast<uint32_t>(kMaxPictureSide) || header.height > static_cast<uint32_t>(kMaxPictureSide))
        return "its " + picture_too_large_message(header.width, header.height);
    return {};
}

std::string contents_problem(const ShapeFileContents& contents) {
    static const std::vector<float> kNone;
    return shape_positions_problem(contents.positions ? *contents.positions : kNone);
}

std::optional<LoadedShape> decode(ShapeFileContents contents, std::string* problem) {
    if (std::string why = contents_problem(contents); !why.empty()) {
        *problem = std::move(why);
        return std::nullopt;
    }
    LoadedShape shape;
    shape.positions = std::move(*contents.positions);
    if (!contents.image || contents.image->empty()) {
        shape.picture_problem = "it holds no picture";
        return shape;
    }
    std::string error;
    PictureError kind = PictureError::none;
    std::optional<Picture> picture = decode_picture_reduced(
        *contents.image, DecodeTarget{DecodeTarget::Kind::bound, kShapePictureSide}, &error, &kind);
    if (kind == PictureError::too_large) {
        *problem = "its " + error;
        return std::nullopt;
    }
    if (picture && !picture->empty()) shape.picture = std::make_shared<const Picture>(std::move(*picture));
    else shape.picture_problem = "its picture cannot be read";
    return shape;
}

}  // namespace

std::string shape_positions_problem(std::span<const float> positions) {
    const bool finite = std::all_of(positions.begin(), positions.end(), [](float v) { return std::isfinite(v); });
    if (positions.size() != kShapePositionCount || !finite) return "its shape is not 7500 finite numbers";
    return {};
}

std::optional<LoadedShape> load_shape_file(const std::filesystem::path& path, std::string* problem) {
    if (std::string why = shape_file_problem(path); !why.empty()) {
        *problem = std::move(why);
        return std::nullopt;
    }
    std::string error;
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(path, kMaxShapeFileBytes, &error);
    if (!bytes) {
        *problem = "it could not be read";
        return std::nullopt;
    }
    return load_shape_bytes(*bytes, problem);
}

std::optional<LoadedShape> load_shape_bytes(std::span<const uint8_t> bytes, std::string* problem) {
    if (bytes.size() > kMaxShapeFileBytes) {
        *problem = "the file is larger than a shape file can be";
        return std::nullopt;
    }
    std::string error;
    std::optional<ShapeFileContents> contents = parse_shape_file(bytes, &error);
    if (!contents) {
        *problem = kNotAShapeFile;
        return std::nullopt;
    }
    return decode(std::move(*contents), problem);
}

std::string shape_bytes_problem(std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxShapeFileBytes) return "the file is larger than a shape file can be";
    std::string error;
    const std::optional<ShapeFileContents> contents = parse_shape_file(bytes, &error);
    if (!contents) return kNotAShapeFile;
    if (std::string why = contents_problem(*contents); !why.empty()) return why;
    return contents->image ? picture_size_problem(*contents->image) : std::string();
}

}  // namespace lumo
