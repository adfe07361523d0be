#pragma once
// Checks run over property-list bytes before libplist sees them. libplist
// 2.2.0 parses and frees nested values by recursion with no limit of its own,
// so a deeply nested file overflows the stack; binary property lists can
// also share objects, which the library copies once per use. These checks
// refuse both, and anything they do not fully understand.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace lumo {

struct PropertyListLimits {
    std::size_t max_bytes = 0;
    // Values inside one another: the root is level 1, an element of a root
    // array level 2, and so on.
    int max_depth = 0;
    // Values in the whole tree, dictionary keys included; a binary object
    // counts once for every place that refers to it.
    std::size_t max_values = 0;
};

// The deepest nesting any check accepts, whatever the limits ask for: the
// checks keep one fixed-size record per level.
inline constexpr int kMaxCheckedDepth = 32;

// "bplist00": the signature that selects the binary form.
bool has_binary_property_list_signature(std::span<const uint8_t> bytes);

// XML: a linear scan of the markup. Every element but the outermost <plist>
// wrapper is one value at its level. Accepts comments, CDATA sections,
// processing instructions, a DOCTYPE without an internal subset, attributes,
// and self-closing elements; refuses NUL bytes, '<' or '>' inside quotes or
// in places where parsers might disagree about where markup ends, closing
// tags that do not match, a <plist> inside another element, unterminated
// markup, and too deep or too many values.
bool check_xml_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error);

// Binary: reads the trailer and walks the object tree from the top object
// with a fixed-size stack, checking every offset, reference, length and type
// marker, and refusing cycles and trees too deep or too big.
bool check_binary_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error);

}  // namespace lumo
