#include "clip/frame_sampler.h"

#include <algorithm>
#include <cmath>

namespace lumo {
namespace {

// A frame presented this little after a sample time, in sample intervals,
// still counts as on the screen at it: a virtual clock that adds 1/60 s per
// tick lands a hair past 3 / 60 = 1 / 20 s, and must not lose that frame.
constexpr double kTolerance = 1e-3;

}  // namespace

double FrameSampler::first_sample_from(double time) const { return std::ceil((time - start_) * rate_ - kTolerance); }

int FrameSampler::fill_up_to(double end) {
    // Clamped before the conversion: a time far ahead must not overflow.
    const int last = static_cast<int>(std::clamp(end, 0.0, static_cast<double>(max_samples_)));
    const int count = std::max(0, last - filled_);
    filled_ += count;
    return count;
}

int FrameSampler::present(double time) {
    if (!std::isfinite(time)) time = last_;
    if (!started_) {
        started_ = true;
        start_ = last_ = time;
        return 0;
    }
    last_ = std::max(time, last_);
    return fill_up_to(first_sample_from(last_));
}

int FrameSampler::finish(double time) {
    if (!started_) return 0;
    if (!std::isfinite(time)) time = last_;
    return fill_up_to(first_sample_from(std::max(time, last_)));
}

}  // namespace lumo
