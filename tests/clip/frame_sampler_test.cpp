// Which presented frame each sample of a fixed-rate stream shows.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "clip/frame_sampler.h"

namespace lumo {
namespace {

struct Row {
    const char* what;
    int rate;
    int max_samples;
    std::vector<double> times;  // when each frame was presented
    double end;  // when the stream ends
    std::vector<int> shown;  // the frame each sample shows
};

// Runs the sampler as the encoder does and lists the frame behind each sample.
std::vector<int> frames_shown(const Row& row) {
    FrameSampler sampler(row.rate, row.max_samples);
    std::vector<int> shown;
    for (std::size_t i = 0; i < row.times.size(); ++i) {
        const int count = sampler.present(row.times[i]);
        if (i == 0) {
            EXPECT_EQ(count, 0) << row.what << ": the first frame fills nothing yet";
        }
        shown.insert(shown.end(), count, static_cast<int>(i) - 1);
    }
    shown.insert(shown.end(), sampler.finish(row.end), static_cast<int>(row.times.size()) - 1);
    EXPECT_EQ(sampler.samples(), static_cast<int>(shown.size())) << row.what;
    return shown;
}

std::vector<double> ticks(int count, double step) {
    std::vector<double> times;
    double t = 0;
    for (int i = 0; i < count; ++i, t += step) times.push_back(t);  // accumulated, as a virtual clock does
    return times;
}

TEST(FrameSampler, EachSampleShowsTheFrameOnTheScreenAtItsTime) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {
        {"presented at the rate", 10, 100, {0, 0.1, 0.2}, 0.3, {0, 1, 2}},
        {"presented faster: in-between frames never shown", 10, 100, {0, 0.05, 0.1, 0.15, 0.2}, 0.3, {0, 2, 4}},
        {"resting: the last frame repeats", 10, 100, {0, 0.35}, 0.6, {0, 0, 0, 0, 1, 1}},
        {"the last frame repeats up to the end", 10, 100, {0}, 0.5, {0, 0, 0, 0, 0}},
        {"the clip starts at the first frame's time", 10, 100, {7.0, 7.12}, 7.3, {0, 0, 1}},
        {"a frame well after a sample time waits for the next", 10, 100, {0, 0.1005}, 0.3, {0, 0, 1}},
        {"a frame a rounding error after a sample time is on it", 10, 100, {0, 0.1 + 1e-9}, 0.3, {0, 1, 1}},
        {"a 1/60 s virtual clock at 20 a second: every third frame", 20, 100, ticks(7, 1.0 / 60), 0.15, {0, 3, 6}},
        {"a 1/60 s virtual clock at 30 a second: every other frame", 30, 100, ticks(5, 1.0 / 60), 0.1, {0, 2, 4}},
        {"no more than the most samples", 10, 5, {0, 0.2, 1.0}, 2.0, {0, 0, 1, 1, 1}},
        {"a time going back counts as the last", 10, 100, {0, 0.25, 0.1}, 0.4, {0, 0, 0, 2}},
        {"a time that is not a number counts as the last", 10, 100, {0, 0.15, nan}, 0.3, {0, 0, 2}},
        {"an end before the last frame ends there", 10, 100, {0, 0.2}, 0.1, {0, 0}},
        {"an end far ahead stops at the most samples", 10, 4, {0}, 1e300, {0, 0, 0, 0}},
    };
    for (const Row& row : rows) EXPECT_EQ(frames_shown(row), row.shown) << row.what;
}

TEST(FrameSampler, ACappedStreamIsFullAndTakesNoMore) {
    FrameSampler sampler(30, 600);
    sampler.present(0);
    EXPECT_EQ(sampler.present(20.0), 600);  // a 20 s clip at 30 a second
    EXPECT_TRUE(sampler.full());
    EXPECT_EQ(sampler.present(25.0), 0);
    EXPECT_EQ(sampler.finish(30.0), 0);
    EXPECT_EQ(sampler.samples(), 600);
    FrameSampler empty(30, 600);
    EXPECT_EQ(empty.finish(1.0), 0) << "no frame, no samples";
}

}  // namespace
}  // namespace lumo
