// Feeds arbitrary bytes to the shape-file parser, which must never crash,
// hang or leak. Two properties are checked besides:
// - whatever the guards let through, libplist turns into a tree no deeper and
//   no bigger than the limits (the guards and the library read the same
//   nesting);
// - whatever the parser reads survives a write and a second read unchanged,
//   which also exercises the writer.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/property_list.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace {

// As in a shape file, small enough that a bypass shows quickly.
constexpr lumo::PropertyListLimits kLimits{.max_bytes = lumo::kMaxShapeFileBytes, .max_depth = 8, .max_values = 4096};

void check(bool condition) {
    if (!condition) std::abort();
}

// Values in the tree under node, keys included; aborts past the limits, so
// the recursion stays within kLimits.max_depth frames.
std::size_t count_values(plist_t node, int level) {
    check(level <= kLimits.max_depth);
    std::size_t values = 1;
    const plist_type type = plist_get_node_type(node);
    if (type == PLIST_ARRAY) {
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i) values += count_values(plist_array_get_item(node, i), level + 1);
    } else if (type == PLIST_DICT) {
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (value == nullptr) break;
            std::free(key);
            values += 1 + count_values(value, level + 1);
        }
        std::free(iterator);
    }
    check(values <= kLimits.max_values);
    return values;
}

bool same_float(float a, float b) {
    // "nan" is all the text form keeps of a NaN.
    return std::isnan(a) ? std::isnan(b) : std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (const lumo::PlistPtr root = lumo::parse_property_list(bytes, kLimits, nullptr)) count_values(root.get(), 1);

    std::string error;
    const auto contents = lumo::parse_shape_file(bytes, &error);
    check(contents.has_value() == error.empty());
    if (!contents || !contents->positions) return 0;

    const std::vector<float>& positions = *contents->positions;
    const std::vector<uint8_t> image = contents->image.value_or(std::vector<uint8_t>{});
    const auto again = lumo::parse_shape_file(lumo::serialize_shape_file(positions, image), &error);
    check(again.has_value() && again->positions && again->image == image);
    check(again->positions->size() == positions.size());
    for (size_t i = 0; i < positions.size(); ++i) check(same_float((*again->positions)[i], positions[i]));
    return 0;
}
