#include "files/property_list_guard.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace lumo {
namespace {

bool refuse(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// --- XML --------------------------------------------------------------------

const char* refuse_section(std::string* error, const char* message) {
    refuse(error, message);
    return nullptr;
}

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
           c == '.' || c == '-';
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool starts_with(const char* p, const char* end, std::string_view prefix) {
    return static_cast<std::size_t>(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

enum class Quotes { refused, tracked };

struct SectionRules {
    std::string_view closer;  // what must come right before the final '>'
    Quotes quotes;
    bool brackets_allowed;
};

// Returns the '>' that ends the section starting at body, or nullptr. The
// first '>' (outside quotes) must be the end: with no '<' anywhere and no '>'
// inside quotes, every parser, quote-aware or not, ends the section there.
const char* section_end(const char* body, const char* end, const SectionRules& rules, std::string* error) {
    char quote = 0;
    for (const char* p = body; p < end; ++p) {
        const char c = *p;
        if (c == '<') return refuse_section(error, "'<' inside markup");
        if (quote) {
            if (c == quote) quote = 0;
            else if (c == '>') return refuse_section(error, "'>' inside a quoted value");
            continue;
        }
        if (c == '"' || c == '\'') {
            if (rules.quotes == Quotes::refused)
                return refuse_section(error, "quote inside a comment or CDATA section");
            quote = c;
        } else if (c == '[' && !rules.brackets_allowed) {
            return refuse_section(error, "DOCTYPE with an internal subset");
        } else if (c == '>') {
            const std::size_t closer = rules.closer.size();
            if (static_cast<std::size_t>(p - body) < closer ||
                std::memcmp(p - closer, rules.closer.data(), closer) != 0)
                return refuse_section(error, "'>' inside a comment, CDATA section or processing instruction");
            return p;
        }
    }
    return refuse_section(error, "unterminated markup");
}

}  // namespace

bool has_binary_property_list_signature(std::span<const uint8_t> bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "bplist00", 8) == 0;
}

bool check_xml_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error) {
    if (bytes.size() > limits.max_bytes) return refuse(error, "property list too big");
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr)
        return refuse(error, "NUL byte in an XML property list");

    const char* p = reinterpret_cast<const char*>(bytes.data());
    const char* const end = p + bytes.size();
    const int max_depth = std::min(limits.max_depth, kMaxCheckedDepth);
    // Open elements, the <plist> wrapper included.
    std::array<std::string_view, kMaxCheckedDepth + 1> open{};
    int depth = 0;
    std::size_t values = 0;

    while (p < end) {
        const char* const lt = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (lt == nullptr) break;
        p = lt + 1;
        if (p == end) return refuse(error, "unterminated markup");
        if (*p == '!' || *p == '?') {
            const char* section = nullptr;
            if (starts_with(p, end, "!--")) {
                section = section_end(p + 3, end, {"--", Quotes::refused, true}, error);
            } else if (starts_with(p, end, "![CDATA[")) {
                section = section_end(p + 8, end, {"]]", Quotes::refused, true}, error);
            } else if (starts_with(p, end, "!DOCTYPE")) {
                section = section_end(p + 8, end, {"", Quotes::tracked, false}, error);
            } else if (*p == '?') {
                // The opening '?' also counts towards the closing "?>", as in libplist: "<?>" is complete.
                section = section_end(p, end, {"?", Quotes::tracked, true}, error);
            } else {
                return refuse(error, "unknown markup '<!'");
            }
            if (section == nullptr) return false;
            p = section + 1;
            continue;
        }

        const bool closing = *p == '/';
        if (closing) ++p;
        const char* const name_begin = p;
        while (p < end && is_name_char(*p)) ++p;
        if (p == name_begin) return refuse(error, "markup without a name");
        if (p == end) return refuse(error, "unterminated tag");
        if (!is_space(*p) && *p != '/' && *p != '>') return refuse(error, "unexpected character in a tag");
        const std::string_view name(name_begin, static_cast<std::size_t>(p - name_begin));
        const char* const gt = section_end(p, end, {"", Quotes::tracked, true}, error);
        if (gt == nullptr) return false;
        const bool self_closing = gt[-1] == '/';
        p = gt + 1;
        if (closing) {
            if (depth == 0 || open[static_cast<std::size_t>(depth - 1)] != name)
                return refuse(error, "closing tag </" + std::string(name) + "> does not match");
            --depth;
            continue;
        }
        // The wrapper is not a value; only the outermost element may be one,
        // so that every other element is exactly one value at its level.
        const bool wrapper = name == "plist";
        if (wrapper && depth > 0) return refuse(error, "<plist> inside another element");
        const int level = depth + 1 - (depth > 0 && open[0] == "plist" ? 1 : 0);
        if (!wrapper && ++values > limits.max_values) return refuse(error, "too many values");
        if (!wrapper && level > max_depth) return refuse(error, "values nested too deeply");
        if (!self_closing) open[static_cast<std::size_t>(depth++)] = name;
    }
    return true;
}

// --- Binary -------------------------------------------------------------------

namespace {

constexpr std::size_t kTrailerBytes = 32;
constexpr std::size_t kHeaderBytes = 8;

uint64_t read_big_endian(const uint8_t* p, std::size_t n) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) value = (value << 8) | p[i];
    return value;
}

struct BinaryLayout {
    std::span<const uint8_t> bytes;
    std::size_t offset_size = 0;
    std::size_t ref_size = 0;
    uint64_t object_count = 0;
    uint64_t top_object = 0;
    uint64_t table_offset = 0;  // objects lie in [8, table_offset)
};

struct BinaryObject {
    uint8_t type = 0;  // the marker's high nibble
    uint64_t count = 0;  // elements of a container, bytes or characters of a string or data
    uint64_t payload_at = 0;  // where the characters or references start
};

bool read_layout(std::span<const uint8_t> bytes, BinaryLayout* layout, std::string* error) {
    if (bytes.size() < kHeaderBytes + 1 + kTrailerBytes) return refuse(error, "binary property list too short");
    const uint8_t* const trailer = bytes.data() + bytes.size() - kTrailerBytes;
    layout->bytes = bytes;
    layout->offset_size = trailer[6];
    layout->ref_size = trailer[7];
    layout->object_count = read_big_endian(trailer + 8, 8);
    layout->top_object = read_big_endian(trailer + 16, 8);
    layout->table_offset = read_big_endian(trailer + 24, 8);
    if (layout->offset_size < 1 || layout->offset_size > 8 || layout->ref_size < 1 || layout->ref_size > 8)
        return refuse(error, "binary property list: bad offset or reference size");
    if (layout->object_count == 0 || layout->top_object >= layout->object_count)
        return refuse(error, "binary property list: top object out of range");
    const uint64_t table_end = bytes.size() - kTrailerBytes;
    if (layout->table_offset <= kHeaderBytes || layout->table_offset > table_end)
        return refuse(error, "binary property list: offset table out of range");
    if (layout->object_count > (table_end - layout->table_offset) / layout->offset_size)
        return refuse(error, "binary property list: offset table runs into the trailer");
    return true;
}

bool read_object(const BinaryLayout& layout, uint64_t index, BinaryObject* object, std::string* error) {
    if (index >= layout.object_count) return refuse(error, "binary property list: reference out of range");
    const uint8_t* const data = layout.bytes.data();
    const uint64_t limit = layout.table_offset;
    const uint64_t offset =
        read_big_endian(data + layout.table_offset + index * layout.offset_size, layout.offset_size);
    if (offset < kHeaderBytes || offset >= limit)
        return refuse(error, "binary property list: object offset out of range");

    const uint8_t marker = data[offset];
    const uint8_t type = marker >> 4;
    const uint8_t info = marker & 0x0F;
    uint64_t at = offset + 1;
    uint64_t count = 0;
    uint64_t element_bytes = 1;
    switch (type) {
        case 0x0:  // false, true; null and fill are not property-list values
            if (marker != 0x08 && marker != 0x09) return refuse(error, "binary property list: unsupported object");
            break;
        case 0x1:  // integer of 1, 2, 4, 8 or 16 bytes
            if (info > 4) return refuse(error, "binary property list: bad integer size");
            count = uint64_t{1} << info;
            break;
        case 0x2:  // real of 4 or 8 bytes
            if (info != 2 && info != 3) return refuse(error, "binary property list: bad real size");
            count = uint64_t{1} << info;
            break;
        case 0x3:  // date
            if (marker != 0x33) return refuse(error, "binary property list: bad date");
            count = 8;
            break;
        case 0x8:  // UID of 1 to 16 bytes
            count = uint64_t{info} + 1;
            break;
        case 0x4:  // data
        case 0x5:  // ASCII string
        case 0x6:  // UTF-16 string
        case 0xA:  // array
        case 0xD:  // dictionary: keys, then values
            count = info;
            if (info == 0x0F) {  // the length follows as an integer object
                if (at >= limit) return refuse(error, "binary property list: object runs past its end");
                const uint8_t length_marker = data[at];
                if ((length_marker >> 4) != 0x1 || (length_marker & 0x0F) > 3)
                    return refuse(error, "binary property list: bad length");
                const uint64_t length_bytes = uint64_t{1} << (length_marker & 0x0F);
                if (length_bytes > limit - at - 1)
                    return refuse(error, "binary property list: object runs past its end");
                count = read_big_endian(data + at + 1, static_cast<std::size_t>(length_bytes));
                at += 1 + length_bytes;
            }
            element_bytes = type == 0x6 ? 2 : type == 0xA ? layout.ref_size : type == 0xD ? 2 * layout.ref_size : 1;
            break;
        default: return refuse(error, "binary property list: unsupported object type");
    }
    const uint64_t room = limit - at;
    if (count > room / element_bytes) return refuse(error, "binary property list: object runs past its end");
    object->type = type;
    object->count = count;
    object->payload_at = at;
    return true;
}

// libplist asserts that a key's length matches strlen(), as in XML, where a
// NUL cannot be written at all. The length cap bounds the scan even when one
// key is shared by many dictionaries.
bool is_plain_key(const BinaryLayout& layout, const BinaryObject& object) {
    constexpr uint64_t kMaxKeyCharacters = 256;
    if ((object.type != 0x5 && object.type != 0x6) || object.count > kMaxKeyCharacters) return false;
    const std::size_t unit = object.type == 0x6 ? 2 : 1;
    const uint8_t* const characters = layout.bytes.data() + object.payload_at;
    for (std::size_t i = 0; i < object.count; ++i) {
        if (read_big_endian(characters + i * unit, unit) == 0) return false;
    }
    return true;
}

}  // namespace

bool check_binary_property_list(std::span<const uint8_t> bytes, const PropertyListLimits& limits, std::string* error) {
    if (bytes.size() > limits.max_bytes) return refuse(error, "property list too big");
    if (!has_binary_property_list_signature(bytes)) return refuse(error, "not a binary property list");
    BinaryLayout layout;
    if (!read_layout(bytes, &layout, error)) return false;

    // One record per open container on the path from the top object.
    struct Frame {
        uint64_t object = 0;
        uint64_t refs_at = 0;
        uint64_t children = 0;  // references to follow: a dictionary's keys, then its values
        uint64_t next = 0;
        bool dictionary = false;
    };
    std::array<Frame, kMaxCheckedDepth> path{};
    int depth = 0;
    const int max_depth = std::min(limits.max_depth, kMaxCheckedDepth);
    std::size_t values = 0;

    const auto enter = [&](uint64_t index, bool is_key) {
        BinaryObject object;
        if (!read_object(layout, index, &object, error)) return false;
        if (++values > limits.max_values) return refuse(error, "too many values");
        if (depth + 1 > max_depth) return refuse(error, "values nested too deeply");
        if (is_key && !is_plain_key(layout, object))
            return refuse(error, "binary property list: dictionary key is not a short string without NUL");
        if (object.type != 0xA && object.type != 0xD) return true;
        for (int i = 0; i < depth; ++i) {
            if (path[static_cast<std::size_t>(i)].object == index)
                return refuse(error, "binary property list: a container contains itself");
        }
        const bool dictionary = object.type == 0xD;
        path[static_cast<std::size_t>(depth++)] = {index, object.payload_at,
                                                   dictionary ? 2 * object.count : object.count, 0, dictionary};
        return true;
    };

    if (!enter(layout.top_object, false)) return false;
    while (depth > 0) {
        Frame& frame = path[static_cast<std::size_t>(depth - 1)];
        if (frame.next == frame.children) {
            --depth;
            continue;
        }
        const uint64_t ref =
            read_big_endian(bytes.data() + frame.refs_at + frame.next * layout.ref_size, layout.ref_size);
        const bool is_key = frame.dictionary && frame.next < frame.children / 2;
        ++frame.next;
        if (!enter(ref, is_key)) return false;
    }
    return true;
}

}  // namespace lumo
