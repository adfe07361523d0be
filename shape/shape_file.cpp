#include "shape/shape_file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "files/file_io.h"
#include "files/property_list.h"
#include "shape/shape_names.h"

namespace lumo {
namespace {

// Our files are three levels deep (dictionary, array, number) and hold 7505
// values, keys included; the slack admits files written by other tools,
// nothing that could hurt the parser.
constexpr PropertyListLimits kShapeFileLimits{
    .max_bytes = kMaxShapeFileBytes,
    .max_depth = 8,
    .max_values = std::size_t{1} << 18,
};

// The float nearest to value, as a conversion in the float environment would
// give: beyond the largest float by half a unit in the last place or more,
// infinity. (Converting such a double with a cast is undefined behaviour.)
float narrow_to_float(double value) {
    constexpr double kRoundsToInfinity = 0x1.ffffffp127;  // FLT_MAX + 2^103
    if (value >= kRoundsToInfinity) return std::numeric_limits<float>::infinity();
    if (value <= -kRoundsToInfinity) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::optional<std::vector<float>> read_positions(plist_t root) {
    const plist_t array = dictionary_value(root, kShapePositionsKey);
    const std::optional<uint32_t> count = array_size(array);
    if (!count) return std::nullopt;
    std::vector<float> positions;
    positions.reserve(*count);
    for (uint32_t i = 0; i < *count; ++i) {
        const std::optional<double> value = number_value(array_element(array, i));
        if (!value) return std::nullopt;
        positions.push_back(narrow_to_float(*value));
    }
    return positions;
}

// libplist writes both zeros as "0.0", which reads back as +0: put the sign
// back on each negative zero. The n-th <real> of the document is the n-th
// position, since nothing else in a shape file is a real.
std::vector<uint8_t> restore_negative_zeros(const std::vector<uint8_t>& xml, std::span<const float> positions) {
    static constexpr std::string_view kOpen = "<real>";
    static constexpr std::string_view kZero = "0.0</real>";
    const std::string_view text(reinterpret_cast<const char*>(xml.data()), xml.size());
    std::vector<uint8_t> out;
    out.reserve(xml.size() + 64);
    std::size_t copied = 0;
    std::size_t at = 0;
    for (const float value : positions) {
        at = text.find(kOpen, at);
        if (at == std::string_view::npos) break;
        at += kOpen.size();
        if (value == 0.0f && std::signbit(value) && text.substr(at, kZero.size()) == kZero) {
            out.insert(out.end(), xml.begin() + static_cast<std::ptrdiff_t>(copied),
                       xml.begin() + static_cast<std::ptrdiff_t>(at));
            out.push_back('-');
            copied = at;
        }
    }
    out.insert(out.end(), xml.begin() + static_cast<std::ptrdiff_t>(copied), xml.end());
    return out;
}

}  // namespace

std::optional<ShapeFileContents> parse_shape_file(std::span<const uint8_t> bytes, std::string* error) {
    const PlistPtr root = parse_property_list(bytes, kShapeFileLimits, error);
    if (!root) return std::nullopt;
    if (plist_get_node_type(root.get()) != PLIST_DICT) {
        if (error) *error = "the property list's root is not a dictionary";
        return std::nullopt;
    }
    ShapeFileContents contents;
    contents.positions = read_positions(root.get());
    contents.image = data_value(dictionary_value(root.get(), kShapeImageKey));
    return contents;
}

std::string shape_file_problem(const std::filesystem::path& path) {
    std::string problem = regular_file_problem(path);
    if (problem == "it is a folder") return "it is a folder, not a shape file";
    if (!problem.empty()) return problem;
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(path, code);
    if (!code && size > kMaxShapeFileBytes)
        return "it is too big for a shape file (" + std::to_string(size) + " bytes)";
    return {};
}

std::optional<ShapeFileContents> read_shape_file(const std::filesystem::path& path, std::string* error) {
    if (std::string problem = shape_file_problem(path); !problem.empty()) {
        if (error) *error = std::move(problem);
        return std::nullopt;
    }
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(path, kMaxShapeFileBytes, error);
    if (!bytes) return std::nullopt;
    std::string parse_error;
    std::optional<ShapeFileContents> contents = parse_shape_file(*bytes, &parse_error);
    if (!contents && error) *error = parse_error;
    return contents;
}

std::vector<uint8_t> serialize_shape_file(std::span<const float> positions, std::span<const uint8_t> png) {
    const PlistPtr root(plist_new_dict());
    const plist_t array = plist_new_array();
    for (const float value : positions) plist_array_append_item(array, plist_new_real(value));
    plist_dict_set_item(root.get(), kShapePositionsKey, array);
    static constexpr char kNoBytes = 0;
    const char* const data = png.empty() ? &kNoBytes : reinterpret_cast<const char*>(png.data());
    plist_dict_set_item(root.get(), kShapeImageKey, plist_new_data(data, png.size()));
    const std::vector<uint8_t> xml = to_xml_property_list(root.get());
    const bool has_negative_zero =
        std::any_of(positions.begin(), positions.end(), [](float v) { return v == 0.0f && std::signbit(v); });
    return has_negative_zero ? restore_negative_zeros(xml, positions) : xml;
}

namespace {
// The file's bytes, or nullopt with *error: a shape with a NaN or an
// infinity could never be loaded again, so it is not written at all.
std::optional<std::vector<uint8_t>> shape_file_bytes(std::span<const float> positions, std::span<const uint8_t> png,
                                                     std::string* error) {
    if (!std::all_of(positions.begin(), positions.end(), [](float v) { return std::isfinite(v); })) {
        if (error) *error = "the shape holds a value that is not a finite number";
        return std::nullopt;
    }
    std::vector<uint8_t> bytes = serialize_shape_file(positions, png);
    if (bytes.empty()) {
        if (error) *error = "cannot encode the shape file";
        return std::nullopt;
    }
    return bytes;
}
}  // namespace

bool write_shape_file(const std::filesystem::path& path, std::span<const float> positions, std::span<const uint8_t> png,
                      std::string* error) {
    const std::optional<std::vector<uint8_t>> bytes = shape_file_bytes(positions, png, error);
    return bytes && write_file_atomically(path, *bytes, error);
}

std::optional<std::filesystem::path> write_new_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                          std::span<const float> positions,
                                                          std::span<const uint8_t> png, std::string* error) {
    const std::optional<std::vector<uint8_t>> bytes = shape_file_bytes(positions, png, error);
    if (!bytes) return std::nullopt;
    return store_new_shape_file(documents, stem, *bytes, error);
}

std::optional<std::filesystem::path> store_new_shape_file(const std::filesystem::path& documents, std::string_view stem,
                                                          std::span<const uint8_t> bytes, std::string* error) {
    constexpr int kMaxSavesInASecond = 999;
    const std::string base(stem);
    const auto name_for = [&base](int n) { return shape_file_path({}, numbered_stem(base, n)).string(); };
    return write_new_file(documents, name_for, kMaxSavesInASecond, bytes, error);
}

}  // namespace lumo
