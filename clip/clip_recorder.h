#pragma once
// Recording the view into a clip: an MP4 (H.264, 30 frames a second) and an
// animated GIF (20 frames a second), both of the view alone at its pixel
// size, sampled from the frames as the screen showed them.
//
// The main thread offers every frame it presents, with the time it was
// presented; the recorder copies it into one of a few slots allocated at
// start and returns at once (nothing is allocated per frame). An encoder
// thread samples the frames at each file's rate, encodes them and writes both
// files under hidden temporary names in the folder, putting them in place
// under free names when the clip ends. If the encoder falls behind, a frame is
// dropped and counted, never the interface; scripted and headless runs wait
// for a slot instead, so the same script gives the same GIF bytes.
//
// Use:
//     ClipRecorder recorder(request);           // Record pressed
//     recorder.offer(pixels, RowOrder::bottom_first, now);   // each presented frame
//     if (auto result = recorder.poll(now)) ... // between frames: result->message()
//     recorder.stop(now);                       // Stop pressed; poll() answers later
//     recorder.finish_for_quit(now);            // quitting: waits at most 2 s
//
// Threads: every method is for the one thread that made the recorder.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "clip/clip_request.h"
#include "clip/frame_queue.h"

namespace lumo {

class ClipRecorder {
public:
    enum class Offer {
        taken,  // copied; the encoder has it
        dropped,  // every slot was busy (WhenFull::drop): counted in frames_dropped()
        ended,  // the clip takes no more frames: it reached kMaxClipSeconds, was
        // stopped, failed, or the frame is not the clip's size. poll() tells the rest
    };

    // Allocates the slots and starts the encoder thread, which opens both
    // files; an error there (an unwritable folder) comes back from poll().
    explicit ClipRecorder(const ClipRequest& request);
    // Finishes in a hurry with what the encoder has, waiting for it.
    ~ClipRecorder();
    ClipRecorder(const ClipRecorder&) = delete;
    ClipRecorder& operator=(const ClipRecorder&) = delete;

    // A frame presented at `time` (seconds on the run loop's clock, real or
    // virtual; the first frame's time starts the clip): width * height * 4
    // bytes of RGBA, rows in `order`.
    Offer offer(std::span<const uint8_t> rgba, RowOrder order, double time);

    // Ends the clip at `time` (its last frame shows till then). The files are
    // finished on the encoder thread; poll() gives the result.
    void stop(double time);

    // Between frames: ends the clip when kMaxClipSeconds have passed by `now`
    // (even while nothing is presented), and once the files are closed,
    // returns the result, once.
    std::optional<ClipResult> poll(double now);

    // Quitting: stops at `time`, waits up to `budget` for the encoder to
    // finish, then makes it finish with the frames it has encoded, and
    // returns the result.
    ClipResult finish_for_quit(double time, std::chrono::milliseconds budget = std::chrono::seconds(2));

    // True once offer() takes no more frames.
    bool ended() const { return ended_; }
    int frames_dropped() const { return queue_.dropped(); }

private:
    void end(double time);
    void run();
    bool wait_until_done(std::chrono::steady_clock::time_point deadline);
    ClipResult collect();

    const ClipRequest request_;
    FrameQueue queue_;

    // The making thread's.
    bool started_ = false;
    double start_time_ = 0;
    double last_time_ = 0;
    bool ended_ = false;
    bool result_given_ = false;
    std::optional<ClipResult> result_;

    // When the clip ends: set before queue_.close(), read by the encoder
    // thread once it takes no more frames.
    std::atomic<double> end_time_{0};

    std::atomic<bool> failed_{false};  // the encoder thread failed: offers end the clip
    std::atomic<bool> hurry_{false};  // finish with what is encoded; skip the waiting frames
    std::mutex done_mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;  // under done_mutex_
    ClipResult thread_result_;  // the encoder thread's until done_
    std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace lumo
