#include "clip/gif_lzw.h"

#include <algorithm>

namespace lumo {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;
constexpr int kTableBits = 13;  // twice the codes: short probes
constexpr std::size_t kTableSize = std::size_t{1} << kTableBits;
constexpr std::size_t kMaxSubBlock = 255;

// Codes packed least significant bit first into sub-blocks, each preceded
// by its length.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>* out) : out_(out) {}

    void put(int code, int width) {
        bits_ |= static_cast<uint32_t>(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            byte(static_cast<uint8_t>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    void finish() {
        if (count_ > 0) byte(static_cast<uint8_t>(bits_));
        bits_ = 0, count_ = 0;
        if (block_at_ != kNone) (*out_)[block_at_] = static_cast<uint8_t>(out_->size() - block_at_ - 1);
        out_->push_back(0);  // the block terminator
    }

private:
    static constexpr std::size_t kNone = SIZE_MAX;
    void byte(uint8_t value) {
        if (block_at_ == kNone || out_->size() - block_at_ - 1 == kMaxSubBlock) {
            if (block_at_ != kNone) (*out_)[block_at_] = static_cast<uint8_t>(kMaxSubBlock);
            block_at_ = out_->size();
            out_->push_back(0);  // its length, set when the block is full or done
        }
        out_->push_back(value);
    }

    std::vector<uint8_t>* out_;
    std::size_t block_at_ = kNone;
    uint32_t bits_ = 0;
    int count_ = 0;
};

std::size_t slot_of(uint32_t key) { return (key * 2654435761u) >> (32 - kTableBits); }

}  // namespace

GifLzw::GifLzw() : table_(kTableSize) { clear_table(); }

void GifLzw::clear_table() {
    if (++generation_ == 0) {
        std::fill(table_.begin(), table_.end(), Entry{});
        generation_ = 1;
    }
}

// The slot holding key, or the empty slot where it would go.
int GifLzw::find(uint32_t key) const {
    std::size_t slot = slot_of(key);
    while (table_[slot].generation == generation_ && table_[slot].key != key) slot = (slot + 1) & (kTableSize - 1);
    return static_cast<int>(slot);
}

void GifLzw::compress(std::span<const uint8_t> indices, int min_code_size, std::vector<uint8_t>* out) {
    out->push_back(static_cast<uint8_t>(min_code_size));
    CodeWriter writer(out);
    const int clear = 1 << min_code_size, end = clear + 1;
    int width = min_code_size + 1;
    int next_code = clear + 2;
    clear_table();
    writer.put(clear, width);
    if (indices.empty()) {
        writer.put(end, width);
        writer.finish();
        return;
    }
    int prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const uint8_t index = indices[i];
        const uint32_t key = ((static_cast<uint32_t>(prefix) << 8) | index) + 1;
        const int slot = find(key);
        Entry& entry = table_[static_cast<std::size_t>(slot)];
        if (entry.generation == generation_) {
            prefix = entry.code;  // the string goes on
            continue;
        }
        writer.put(prefix, width);
        if (next_code < kMaxCodes) {
            entry = {key, static_cast<uint16_t>(next_code), generation_};
            // The decoder adds each entry one code later than here, and reads
            // wider codes from the one after the entry that no longer fits.
            if (next_code == (1 << width) && width < kMaxCodeBits) ++width;
            ++next_code;
        } else {
            writer.put(clear, width);
            clear_table();
            width = min_code_size + 1;
            next_code = clear + 2;
        }
        prefix = index;
    }
    writer.put(prefix, width);
    // The decoder adds one more entry on reading that last code, and may
    // read the end code one bit wider for it.
    if (next_code < kMaxCodes && next_code == (1 << width) && width < kMaxCodeBits) ++width;
    writer.put(end, width);
    writer.finish();
}

}  // namespace lumo
