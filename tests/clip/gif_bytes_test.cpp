// The GIF encoder gives the same bytes for the same frames in every build:
// this test runs natively (Debian's libimagequant) and, built to WebAssembly,
// under node (ctest --preset web: the page's GIF worker's own build of it),
// against the same digests. A digest here changes with every GIF lumo
// makes: change it only with the encoder, in both builds at once.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "clip/gif_encoder.h"
#include "support/clip_frames.h"

namespace lumo::testing {
namespace {

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

TEST(GifBytes, AreTheSameInEveryBuild) {
    struct Shown {
        int frame;  // clip_frame's index
        int count;  // how many GIF frames it fills
    };
    struct Row {
        int width, height;
        std::vector<Shown> shown;
        std::size_t size;
        uint64_t digest;
    };
    const Row rows[] = {
        {64, 96, {{0, 1}}, 5199, 0x735e0ed7488893baull},
        {161, 241, {{0, 1}, {1, 2}, {2, 1}, {3, 3}}, 73454, 0x6a39d2bfe2083b4cull},
        {320, 480, {{0, 1}, {5, 1}, {9, 2}}, 163780, 0x8faf516e99e70f82ull},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes;
        GifEncoder encoder(row.width, row.height, [&](std::span<const uint8_t> data) {
            bytes.insert(bytes.end(), data.begin(), data.end());
            return true;
        });
        ASSERT_TRUE(encoder.ok());
        std::string error;
        for (const Shown& shown : row.shown)
            ASSERT_TRUE(encoder.add(clip_frame(row.width, row.height, shown.frame), shown.count, &error)) << error;
        ASSERT_TRUE(encoder.finish(&error)) << error;
        EXPECT_EQ(bytes.size(), row.size) << row.width << " x " << row.height;
        EXPECT_EQ(fnv1a(bytes), row.digest) << row.width << " x " << row.height << ": 0x" << std::hex << fnv1a(bytes);
    }
}

}  // namespace
}  // namespace lumo::testing
