#include "clip/clip_recorder.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>

#include "clip/clip_encoding.h"

namespace lumo {
namespace {

// Slots for frames on their way to the encoder: as many as fit in this much
// memory, within these bounds (9 at 640 x 960: 22 MB; 24 at 320 x 480,
// 0.4 s of frames at 60 a second for an encoder thread the system keeps
// waiting).
constexpr std::size_t kSlotMemory = 24u << 20;
constexpr int kMinSlots = 3;
constexpr int kMaxSlots = 24;

int slot_count(const ClipRequest& request) {
    const std::size_t frame = std::max<std::size_t>(1, static_cast<std::size_t>(std::max(request.width, 0)) *
                                                           static_cast<std::size_t>(std::max(request.height, 0)) * 4);
    return static_cast<int>(std::clamp<std::size_t>(kSlotMemory / frame, kMinSlots, kMaxSlots));
}

// Past a file-size limit (ulimit -f) the kernel sends SIGXFSZ to the writing
// thread, which by default ends the program. Blocked on this thread, the
// signal stays pending here and the write fails with EFBIG, which the clip
// reports; every other thread keeps the program's own choice.
void block_file_size_signal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

ClipRecorder::ClipRecorder(const ClipRequest& request)
    : request_(request),
      queue_(std::max(request.width, 0), std::max(request.height, 0), slot_count(request), request.when_full),
      thread_([this] { run(); }) {}

ClipRecorder::~ClipRecorder() {
    if (!ended_) end(last_time_);
    hurry_ = true;
    queue_.discard_waiting();
    if (thread_.joinable()) thread_.join();
}

ClipRecorder::Offer ClipRecorder::offer(std::span<const uint8_t> rgba, RowOrder order, double time) {
    if (ended_) return Offer::ended;
    if (!started_) {
        started_ = true;
        start_time_ = last_time_ = time;
    }
    if (failed_.load(std::memory_order_acquire)) {
        end(last_time_);
        return Offer::ended;
    }
    if (time >= start_time_ + kMaxClipSeconds) {
        end(start_time_ + kMaxClipSeconds);
        return Offer::ended;
    }
    // A view that changed size ends the clip there.
    if (rgba.size() != static_cast<std::size_t>(request_.width) * static_cast<std::size_t>(request_.height) * 4) {
        end(std::max(last_time_, time));
        return Offer::ended;
    }
    last_time_ = std::max(last_time_, time);
    if (queue_.offer(rgba, order, time)) return Offer::taken;
    if (failed_.load(std::memory_order_acquire)) {
        end(last_time_);
        return Offer::ended;
    }
    return Offer::dropped;
}

void ClipRecorder::end(double time) {
    ended_ = true;
    end_time_ = time;
    queue_.close();
}

void ClipRecorder::stop(double time) {
    if (ended_) return;
    end(started_ ? std::min(time, start_time_ + kMaxClipSeconds) : time);
}

std::optional<ClipResult> ClipRecorder::poll(double now) {
    if (!ended_ && started_ && now >= start_time_ + kMaxClipSeconds) end(start_time_ + kMaxClipSeconds);
    if (result_given_) return std::nullopt;
    {
        std::lock_guard lock(done_mutex_);
        if (!done_) return std::nullopt;
    }
    ended_ = true;  // the encoder may have ended the clip by itself (a failure)
    result_given_ = true;
    return collect();
}

ClipResult ClipRecorder::finish_for_quit(double time, std::chrono::milliseconds budget) {
    stop(time);
    // A budget past the clock's range waits as long as it takes.
    const auto now = std::chrono::steady_clock::now();
    const auto room =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::time_point::max() - now);
    const auto deadline = budget >= room ? std::chrono::steady_clock::time_point::max() : now + budget;
    if (!wait_until_done(deadline)) {
        hurry_ = true;
        queue_.discard_waiting();
        wait_until_done(std::chrono::steady_clock::time_point::max());
    }
    result_given_ = true;
    return collect();
}

bool ClipRecorder::wait_until_done(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(done_mutex_);
    return done_changed_.wait_until(lock, deadline, [&] { return done_; });
}

ClipResult ClipRecorder::collect() {
    if (!result_) {
        thread_.join();
        result_ = std::move(thread_result_);
        result_->frames_dropped = queue_.dropped();
    }
    return *result_;
}

// The encoder thread.
void ClipRecorder::run() {
    block_file_size_signal();
    ClipEncoding encoding(request_);
    if (!encoding.open()) {
        failed_.store(true, std::memory_order_release);
        queue_.close();  // wakes a producer waiting for a slot
    }
    QueuedFrame* held = nullptr;
    while (QueuedFrame* frame = queue_.take()) {
        if (hurry_.load(std::memory_order_relaxed)) {
            queue_.give_back(frame);
            queue_.discard_waiting();
            break;
        }
        if (!encoding.failed() && !encoding.full() && !encoding.present(held, frame->time)) {
            failed_.store(true, std::memory_order_release);
            queue_.close();
        }
        if (held) queue_.give_back(held);
        held = frame;
    }
    // In a hurry the clip ends with the last frame encoded, not repeated up to the end.
    const double end = hurry_.load(std::memory_order_relaxed) && held ? held->time : end_time_.load();
    ClipResult result = encoding.finish(held, end);
    if (held) queue_.give_back(held);
    {
        std::lock_guard lock(done_mutex_);
        thread_result_ = std::move(result);
        done_ = true;
    }
    done_changed_.notify_all();
}

}  // namespace lumo
