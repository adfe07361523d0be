// The GIF writer's files read back by ffmpeg's decoder, frame by frame, to
// the exact colour: the LZW codes at every width and across table clears,
// the changed rectangle, the pixels left transparent, repeated frames.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clip/gif_writer.h"
#include "support/media_probe.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

struct Frame {
    std::vector<uint8_t> indices;
    std::vector<uint8_t> palette;  // RGB triples
    int colours = 0;
    bool repeat = false;  // GifWriter::repeat_frame instead
};

std::vector<uint8_t> palette_of(int colours, int shift) {
    std::vector<uint8_t> palette;
    for (int k = 0; k < colours; ++k) {
        palette.push_back(static_cast<uint8_t>(k * 37 + shift));
        palette.push_back(static_cast<uint8_t>(k * 91 + 2 * shift));
        palette.push_back(static_cast<uint8_t>(k * 173 + 3 * shift));
    }
    return palette;
}

Frame noise(int width, int height, int colours, uint32_t seed) {
    Frame frame{std::vector<uint8_t>(static_cast<std::size_t>(width) * height), palette_of(colours, 0), colours};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<uint8_t>(((i + seed) * 2654435761u >> 13) % static_cast<uint32_t>(colours));
    return frame;
}

Frame stripes(int width, int height, int colours) {
    Frame frame{std::vector<uint8_t>(static_cast<std::size_t>(width) * height), palette_of(colours, 5), colours};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<uint8_t>((i / 7) % static_cast<std::size_t>(colours));
    return frame;
}

// The frame before with a block of its pixels given another entry.
Frame with_block(Frame frame, int width, int x, int y, int w, int h) {
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column) {
            uint8_t& index = frame.indices[static_cast<std::size_t>(row) * width + column];
            index = static_cast<uint8_t>((index + 1) % frame.colours);
        }
    return frame;
}

// The same picture under another palette: every colour changes, no index does.
Frame repainted(Frame frame, int shift) {
    frame.palette = palette_of(frame.colours, shift);
    return frame;
}

Frame repeat() { return Frame{{}, {}, 0, true}; }

std::vector<uint8_t> expected_rgb(const Frame& frame) {
    std::vector<uint8_t> rgb;
    for (uint8_t index : frame.indices)
        rgb.insert(rgb.end(), frame.palette.begin() + 3 * index, frame.palette.begin() + 3 * index + 3);
    return rgb;
}

TEST(GifWriter, FfmpegDecodesEveryFrameToTheExactColours) {
    struct Row {
        const char* what;
        int width, height;
        std::function<std::vector<Frame>()> frames;
    };
    const int w = 97, h = 61;  // odd sizes: rows do not line up with anything
    const Row rows[] = {
        {"noise over 255 colours: 12-bit codes and table clears", 200, 150,
         [] {
             return std::vector<Frame>{noise(200, 150, 255, 1), noise(200, 150, 255, 2)};
         }},
        {"a small palette: 2-bit codes", w, h,
         [&] {
             return std::vector<Frame>{noise(w, h, 3, 7), stripes(w, h, 4)};
         }},
        {"two colours", w, h,
         [&] {
             return std::vector<Frame>{noise(w, h, 2, 3), noise(w, h, 2, 4)};
         }},
        {"a block changes, then nothing, then the palette", w, h,
         [&] {
             const Frame first = stripes(w, h, 200);
             const Frame second = with_block(first, w, 40, 20, 9, 5);
             return std::vector<Frame>{first, second, second, repeat(), repainted(second, 11)};
         }},
        {"one pixel", 1, 1,
         [] {
             return std::vector<Frame>{noise(1, 1, 5, 0), noise(1, 1, 5, 1), repeat()};
         }},
    };
    for (const Row& row : rows) {
        TempFolder folder;
        const std::vector<Frame> frames = row.frames();
        std::vector<uint8_t> bytes;
        std::vector<std::size_t> frame_sizes;
        GifWriter writer(row.width, row.height, [&](std::span<const uint8_t> data) {
            bytes.insert(bytes.end(), data.begin(), data.end());
            return true;
        });
        std::vector<std::vector<uint8_t>> expected;
        for (const Frame& frame : frames) {
            const std::size_t before = bytes.size();
            ASSERT_TRUE(frame.repeat ? writer.repeat_frame(5)
                                     : writer.add_frame(frame.indices, frame.palette, frame.colours, 5))
                << row.what;
            frame_sizes.push_back(bytes.size() - before);
            expected.push_back(frame.repeat ? expected.back() : expected_rgb(frame));
        }
        ASSERT_TRUE(writer.finish()) << row.what;
        write_text(folder / "out.gif", std::string(bytes.begin(), bytes.end()));

        const GifFacts facts = read_gif_facts(bytes);
        EXPECT_TRUE(facts.valid && facts.loops_forever) << row.what;
        EXPECT_EQ(facts.delays, std::vector<int>(frames.size(), 5)) << row.what;
        const auto decoded = decode_frames(folder / "out.gif", row.width, row.height);
        ASSERT_EQ(decoded.size(), frames.size()) << row.what << ": ffmpeg could not read every frame";
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_TRUE(decoded[i] == expected[i]) << row.what << ": frame " << i;
        for (std::size_t i = 1; i < frames.size(); ++i)
            if (expected[i] == expected[i - 1]) {
                EXPECT_LT(frame_sizes[i], 40u) << row.what << ": an unchanged frame " << i << " is a pixel";
            }
    }
}

TEST(GifWriter, WritesOnlyTheRectangleThatChanged) {
    const int w = 160, h = 120;
    const Frame first = noise(w, h, 255, 9);
    const Frame second = with_block(first, w, 30, 40, 8, 6);
    std::vector<std::vector<uint8_t>> pieces;
    GifWriter writer(w, h, [&](std::span<const uint8_t> data) {
        pieces.emplace_back(data.begin(), data.end());
        return true;
    });
    ASSERT_TRUE(writer.add_frame(first.indices, first.palette, first.colours, 5));
    ASSERT_TRUE(writer.add_frame(second.indices, second.palette, second.colours, 5));
    ASSERT_EQ(pieces.size(), 3u);  // the header, then each frame
    // Each image descriptor, after the 8 bytes of the graphic control extension: where and how large.
    const auto placed = [](const std::vector<uint8_t>& b) {
        if (b.size() < 18 || b[8] != 0x2C) return std::vector<int>{};
        return std::vector<int>{b[9] | b[10] << 8, b[11] | b[12] << 8, b[13] | b[14] << 8, b[15] | b[16] << 8};
    };
    EXPECT_EQ(placed(pieces[1]), (std::vector<int>{0, 0, w, h})) << "the first frame is whole";
    EXPECT_EQ(placed(pieces[2]), (std::vector<int>{30, 40, 8, 6}));
    EXPECT_LT(pieces[2].size(), 256u * 3 + 100) << "the second holds its pixels and its colour table";
}

TEST(GifWriter, AFailingSinkFailsEveryCallAfter) {
    int calls = 0;
    GifWriter writer(4, 4, [&](std::span<const uint8_t>) { return ++calls < 2; });
    const Frame frame = noise(4, 4, 3, 0);
    EXPECT_FALSE(writer.add_frame(frame.indices, frame.palette, frame.colours, 5))
        << "the header went, the frame did not";
    EXPECT_FALSE(writer.repeat_frame(5));
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(calls, 2) << "nothing is offered after the first refusal";
}

}  // namespace
}  // namespace lumo::testing
