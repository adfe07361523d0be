#pragma once
// The variable-length LZW compression a GIF's image data is stored in
// (GIF89a, appendix F): codes of 3 to 12 bits packed from the least
// significant bit up, in data sub-blocks of at most 255 bytes. The table is
// cleared whenever it fills, so the same indices always give the same bytes.

#include <cstdint>
#include <span>
#include <vector>

namespace lumo {

class GifLzw {
public:
    GifLzw();

    // Appends to `out` the minimum code size byte, the compressed `indices`
    // (each below 1 << min_code_size) in sub-blocks, and the block terminator.
    // min_code_size is 2 to 8.
    void compress(std::span<const uint8_t> indices, int min_code_size, std::vector<uint8_t>* out);

private:
    // The string table as a hash of (prefix code, next index) -> code.
    // Entries of an older table (before a clear) are told apart by their
    // generation, so clearing costs nothing.
    struct Entry {
        uint32_t key = 0;  // prefix << 8 | index, plus 1: 0 is never a key
        uint16_t code = 0;
        uint16_t generation = 0;
    };
    int find(uint32_t key) const;
    void clear_table();

    std::vector<Entry> table_;
    uint16_t generation_ = 0;
};

}  // namespace lumo
