#include "picture/picture_reduce.h"

#include <algorithm>

namespace lumo {

int reduction_for_fit(int width, int height, int side) {
    const int shorter = std::min(width, height);
    if (side <= 0 || shorter <= side) return 1;
    return shorter / side;
}

int reduction_to_bound(int width, int height, int max_side) {
    const int longer = std::max(width, height);
    if (max_side <= 0 || longer <= max_side) return 1;
    return (longer + max_side - 1) / max_side;
}

RowReducer::RowReducer(int width, int height, int factor)
    : width_(width),
      factor_(std::max(1, factor)),
      rows_left_(height),
      out_((width + factor_ - 1) / factor_, (height + factor_ - 1) / factor_) {
    if (!out_.empty()) sums_.assign(static_cast<std::size_t>(out_.width()) * 4, 0);
}

void RowReducer::add_row(const uint8_t* rgba) {
    if (out_.empty() || rows_left_ <= 0) return;
    if (factor_ == 1) {
        std::copy(rgba, rgba + static_cast<std::size_t>(width_) * 4, out_.pixel(0, out_row_++));
        --rows_left_;
        return;
    }
    uint32_t* sum = sums_.data();
    for (int x = 0; x < width_; x += factor_, sum += 4) {
        const int end = std::min(width_, x + factor_);
        for (int i = x; i < end; ++i) {
            const uint8_t* p = rgba + static_cast<std::size_t>(i) * 4;
            sum[0] += p[0], sum[1] += p[1], sum[2] += p[2], sum[3] += p[3];
        }
    }
    --rows_left_;
    if (++rows_in_block_ == factor_ || rows_left_ == 0) flush();
}

// The block's mean, rounded to nearest; the last column's block may be narrower.
void RowReducer::flush() {
    uint8_t* out = out_.pixel(0, out_row_++);
    for (int ox = 0; ox < out_.width(); ++ox) {
        const uint32_t columns = static_cast<uint32_t>(std::min(factor_, width_ - ox * factor_));
        const uint32_t count = columns * static_cast<uint32_t>(rows_in_block_);
        for (int c = 0; c < 4; ++c) {
            uint32_t& s = sums_[static_cast<std::size_t>(ox) * 4 + c];
            out[ox * 4 + c] = static_cast<uint8_t>((s + count / 2) / count);
            s = 0;
        }
    }
    rows_in_block_ = 0;
}

}  // namespace lumo
