#include "app/clip_recording.h"

#include <cmath>

#include "render/eagl_view.h"
#include "shape/shape_names.h"

namespace lumo {

ClipRecording::ClipRecording(RunLoop* run_loop, EAGLView* view, Options options, Finished finished)
    : run_loop_(run_loop), view_(view), options_(std::move(options)), finished_(std::move(finished)) {}

// A clip still being recorded is finished in a hurry with what it has.
ClipRecording::~ClipRecording() = default;

double ClipRecording::elapsed() const { return recording() ? run_loop_->now() - started_ : 0.0; }

void ClipRecording::toggle() {
    if (recording()) {
        stop();
    } else if (!finishing()) {
        start();
    }
}

void ClipRecording::start() {
    if (recorder_) return;
    const ViewFrame frame = view_->frame();
    ClipRequest request;
    request.width = frame.width;
    request.height = frame.height;
    request.file = options_.file;  // otherwise the user's videos folder, found by the encoder
    request.stem = current_shape_file_stem();  // named like the shape files
    request.when_full = options_.never_drop ? WhenFull::wait : WhenFull::drop;
    recorder_ = ViewRecorder::start(request);
    started_ = run_loop_->now();
    shown_seconds_ = 0;
    view_->setNeedsDisplay();  // the clip's first frame, even while the dome rests
}

void ClipRecording::stop() {
    if (!recording()) return;
    recorder_->stop(run_loop_->now());
    view_->setNeedsDisplay();  // the dot goes
}

void ClipRecording::poll() {
    if (!recorder_) return;
    const bool was_recording = recording();
    if (std::optional<ClipResult> result = recorder_->poll(run_loop_->now())) {
        recorder_.reset();
        view_->setNeedsDisplay();
        if (finished_) finished_(*result);
        return;
    }
    // The seconds on screen tick even while the dome rests and no frame is drawn.
    const int seconds = static_cast<int>(std::floor(elapsed()));
    if (seconds != shown_seconds_ || was_recording != recording()) {
        shown_seconds_ = seconds;
        view_->setNeedsDisplay();
    }
}

std::optional<ClipResult> ClipRecording::finish(std::chrono::milliseconds budget) {
    if (!recorder_) return std::nullopt;
    ClipResult result = recorder_->finish_for_quit(run_loop_->now(), budget);
    recorder_.reset();
    return result;
}

void ClipRecording::view_frame_drawn(const ViewFrame& frame) {
    if (recording()) recorder_->frame_drawn(frame, run_loop_->now());
}

void ClipRecording::view_frame_shown(const ViewFrame& frame, const ViewRect& in_window) {
    if (recording()) recorder_->frame_shown(frame, in_window, run_loop_->now());
}

}  // namespace lumo
