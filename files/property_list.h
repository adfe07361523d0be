#pragma once
// Property lists through libplist 2.2.0, guarded: bytes are checked
// (property_list_guard.h) before the library parses them, and values are
// read only after their node type has been checked, since libplist's getters
// silently do nothing on a node of another type.

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/property_list_guard.h"

namespace lumo {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
// Owns a whole tree; a null pointer stands for no tree.
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Parses XML or binary ("bplist00") property-list bytes once the guard for
// that form accepts them. Null, with *error set, when a guard refuses the
// bytes or libplist cannot read them.
PlistPtr parse_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error);

// The tree in XML form (what files are written in) or in binary form.
std::vector<uint8_t> to_xml_property_list(plist_t root);
std::vector<uint8_t> to_binary_property_list(plist_t root);

// Typed reads; each returns null or nullopt for a missing node or a node of
// another type.
plist_t dictionary_value(plist_t dictionary, const char* key);
plist_t array_element(plist_t array, uint32_t index);
std::optional<uint32_t> array_size(plist_t array);
// A real, or an integer (read as signed 64-bit: libplist 2.2.0 does not say
// which integers were negative), as a double.
std::optional<double> number_value(plist_t node);
std::optional<std::vector<uint8_t>> data_value(plist_t node);

}  // namespace lumo
