#pragma once
// Hand-assembled binary property lists ("bplist00"), for files that libplist
// would never write: references out of range, cycles, deep nesting.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace lumo::testing {

using Bytes = std::vector<uint8_t>;

inline void append_big_endian(Bytes& out, uint64_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A marker with its length: in the low nibble, or as a following integer.
inline Bytes marker_with_length(uint8_t type, uint64_t length) {
    Bytes out;
    if (length < 15) {
        out.push_back(static_cast<uint8_t>(type << 4 | length));
    } else {
        out.push_back(static_cast<uint8_t>(type << 4 | 0x0F));
        out.push_back(0x13);
        append_big_endian(out, length, 8);
    }
    return out;
}

inline Bytes real_object(double value) {
    Bytes out{0x23};
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    append_big_endian(out, bits, 8);
    return out;
}

inline Bytes ascii_object(std::string_view text) {
    Bytes out = marker_with_length(0x5, text.size());
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

inline Bytes array_object(const std::vector<uint64_t>& refs, int ref_size) {
    Bytes out = marker_with_length(0xA, refs.size());
    for (const uint64_t ref : refs) append_big_endian(out, ref, ref_size);
    return out;
}

inline Bytes dict_object(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values, int ref_size) {
    Bytes out = marker_with_length(0xD, keys.size());
    for (const uint64_t ref : keys) append_big_endian(out, ref, ref_size);
    for (const uint64_t ref : values) append_big_endian(out, ref, ref_size);
    return out;
}

struct BinaryPlist {
    std::vector<Bytes> objects;
    uint64_t top = 0;
    int offset_size = 4;
    int ref_size = 1;

    Bytes bytes() const {
        Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<uint64_t> offsets;
        for (const Bytes& object : objects) {
            offsets.push_back(out.size());
            out.insert(out.end(), object.begin(), object.end());
        }
        const uint64_t table_offset = out.size();
        for (const uint64_t offset : offsets) append_big_endian(out, offset, offset_size);
        out.insert(out.end(), 6, 0);
        out.push_back(static_cast<uint8_t>(offset_size));
        out.push_back(static_cast<uint8_t>(ref_size));
        append_big_endian(out, objects.size(), 8);
        append_big_endian(out, top, 8);
        append_big_endian(out, table_offset, 8);
        return out;
    }
};

// {"InitSurfacePosition": [values...]}: objects 0 (dict), 1 (key), 2 (array), 3... (reals).
inline BinaryPlist shape_plist(const std::vector<double>& values) {
    BinaryPlist plist;
    plist.ref_size = 2;
    std::vector<uint64_t> refs;
    for (std::size_t i = 0; i < values.size(); ++i) refs.push_back(3 + i);
    plist.objects.push_back(dict_object({1}, {2}, 2));
    plist.objects.push_back(ascii_object("InitSurfacePosition"));
    plist.objects.push_back(array_object(refs, 2));
    for (const double value : values) plist.objects.push_back(real_object(value));
    return plist;
}

}  // namespace lumo::testing
