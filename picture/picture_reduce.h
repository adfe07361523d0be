#pragma once
// Shrinking a picture while it is decoded, a row at a time, so that a large
// picture never exists at its full size: each output pixel is the mean of a
// factor x factor block of input pixels (fewer at the right and bottom edges).
// Used on the preparing thread only; one reducer per decode.

#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace lumo {

// How far a width x height picture may be shrunk before fitting into `side`:
// the largest whole factor that leaves at least `side` pixels on the shorter
// side, which is the one the fit scales to. 1 for pictures that small already.
int reduction_for_fit(int width, int height, int side = kTextureSide);
// The smallest whole factor that brings both sides within max_side.
int reduction_to_bound(int width, int height, int max_side);

class RowReducer {
public:
    // An empty picture() tells of a size that could not be allocated.
    RowReducer(int width, int height, int factor);
    // Takes the next input row: width pixels of premultiplied RGBA.
    void add_row(const uint8_t* rgba);
    // The reduced picture; complete once every input row has been added.
    Picture& picture() { return out_; }
    int factor() const { return factor_; }

private:
    void flush();

    int width_;
    int factor_;
    int rows_in_block_ = 0;
    int out_row_ = 0;
    int rows_left_;
    std::vector<uint32_t> sums_;
    Picture out_;
};

}  // namespace lumo
