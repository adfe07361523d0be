#include "files/property_list.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "files/property_list_numbers.h"

namespace lumo {
namespace {

PlistPtr refuse(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return nullptr;
}

std::vector<uint8_t> copy_and_free(char* text, uint32_t length, void (*release)(char*)) {
    std::vector<uint8_t> bytes;
    if (text != nullptr) {
        bytes.assign(text, text + length);
        release(text);
    }
    return bytes;
}

// XML starts with markup, perhaps after a byte-order mark and white space;
// anything else (a PNG given a .lumo name) is told apart before the guard
// reports some byte deep inside it.
bool looks_like_xml(std::span<const uint8_t> bytes) {
    for (const uint8_t byte : bytes) {
        if (byte == '<') return true;
        if (byte != ' ' && byte != '\t' && byte != '\r' && byte != '\n') return false;
    }
    return false;
}

constexpr uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

}  // namespace

PlistPtr parse_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error) {
    if (bytes.empty()) return refuse(error, "empty file");
    // Editors on some systems start UTF-8 text with a byte-order mark, which libplist refuses.
    if (bytes.size() >= 3 && std::equal(bytes.begin(), bytes.begin() + 3, kByteOrderMark)) bytes = bytes.subspan(3);
    if (bytes.size() > limits.max_bytes || bytes.size() > std::numeric_limits<uint32_t>::max())
        return refuse(error, "property list too big");
    const auto length = static_cast<uint32_t>(bytes.size());
    plist_t root = nullptr;
    if (has_binary_property_list_signature(bytes)) {
        if (!check_binary_property_list(bytes, limits, error)) return nullptr;
        plist_from_bin(reinterpret_cast<const char*>(bytes.data()), length, &root);
    } else {
        if (!looks_like_xml(bytes)) return refuse(error, "not a property list (neither XML nor binary)");
        if (!check_xml_property_list(bytes, limits, error)) return nullptr;
        // The XML reader uses C string functions here and there: the string
        // keeps a NUL past the end, which keeps them inside the buffer.
        std::string text(bytes.begin(), bytes.end());
        mark_malformed_numbers(&text);
        if (text.size() > std::numeric_limits<uint32_t>::max()) return refuse(error, "property list too big");
        plist_from_xml(text.data(), static_cast<uint32_t>(text.size()), &root);
    }
    if (root == nullptr) return refuse(error, "not a readable property list");
    return PlistPtr(root);
}

std::vector<uint8_t> to_xml_property_list(plist_t root) {
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &text, &length);
    return copy_and_free(text, length, plist_to_xml_free);
}

std::vector<uint8_t> to_binary_property_list(plist_t root) {
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &data, &length);
    return copy_and_free(data, length, plist_to_bin_free);
}

plist_t dictionary_value(plist_t dictionary, const char* key) {
    if (dictionary == nullptr || plist_get_node_type(dictionary) != PLIST_DICT) return nullptr;
    return plist_dict_get_item(dictionary, key);
}

std::optional<uint32_t> array_size(plist_t array) {
    if (array == nullptr || plist_get_node_type(array) != PLIST_ARRAY) return std::nullopt;
    return plist_array_get_size(array);
}

plist_t array_element(plist_t array, uint32_t index) {
    const std::optional<uint32_t> size = array_size(array);
    if (!size || index >= *size) return nullptr;
    return plist_array_get_item(array, index);
}

std::optional<double> number_value(plist_t node) {
    if (node == nullptr) return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return value;
        }
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            return static_cast<double>(static_cast<int64_t>(value));
        }
        default: return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> data_value(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATA) return std::nullopt;
    uint64_t length = 0;
    const char* data = plist_get_data_ptr(node, &length);
    if (data == nullptr || length == 0) return std::vector<uint8_t>{};
    return std::vector<uint8_t>(data, data + length);
}

}  // namespace lumo
