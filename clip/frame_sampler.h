#pragma once
// Frames as the screen showed them, turned into a stream at a fixed rate.

namespace lumo {

// Sample k of a stream at `rate` frames a second shows the frame that was on
// the screen at start + k / rate, start being the first frame's time. A frame
// is repeated while nothing new is presented (the program skips drawing while
// the dome rests), and a frame replaced before the next sample time is never
// shown. Each frame tells how many samples the one before it fills, so the
// caller encodes a frame only once it is known to be shown, and only once
// however often it repeats.
class FrameSampler {
public:
    FrameSampler(int rate, int max_samples) : rate_(rate), max_samples_(max_samples) {}

    // The next frame, presented at `time` (seconds on the run loop's clock,
    // real or virtual; a time earlier than the last, or not a number, counts
    // as the last).
    // Returns how many samples the frame before it fills; 0 for the first.
    int present(double time);

    // The stream ends at `time`: how many samples the last frame fills up to
    // it. Never more than max_samples in all.
    int finish(double time);

    bool full() const { return filled_ == max_samples_; }
    int samples() const { return filled_; }

private:
    // The first sample due at or after `time`.
    double first_sample_from(double time) const;
    int fill_up_to(double end);

    int rate_;
    int max_samples_;
    bool started_ = false;
    double start_ = 0;  // the first frame's time: sample 0
    double last_ = 0;  // the latest frame's time
    int filled_ = 0;  // samples given out so far
};

}  // namespace lumo
