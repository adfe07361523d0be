#pragma once
// The Record control's side of the program: starts and stops clips of the
// view (the panel's Record and Stop, the R key, a script's record start and
// record stop, --record), hands each presented view frame to the recorder
// right after it reaches the window and before the interface is drawn over
// it, ends a clip at kMaxClipSeconds, on losing the focus and on quitting,
// and says what became of each: a notice, and a line on stderr where there
// is no one to read it.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "clip/view_recorder.h"
#include "platform/compositor.h"
#include "platform/run_loop.h"

namespace lumo {

class EAGLView;

class ClipRecording : public FrameTap {
public:
    struct Options {
        std::filesystem::path file;  // --record: every clip goes to this one file
        // Scripted and headless runs on the virtual clock: the recorder waits
        // for the encoder rather than drop a frame, so runs repeat exactly.
        bool never_drop = false;
    };
    // What became of a clip, for whoever tells the user (the panel's notice).
    using Finished = std::function<void(const ClipResult&)>;

    ClipRecording(RunLoop* run_loop, EAGLView* view, Options options, Finished finished);
    ~ClipRecording() override;
    ClipRecording(const ClipRecording&) = delete;
    ClipRecording& operator=(const ClipRecording&) = delete;

    // Frames go into a clip now.
    bool recording() const { return recorder_ && !recorder_->ended(); }
    // A clip has ended and its files are being finished.
    bool finishing() const { return recorder_ && recorder_->ended(); }
    // Seconds since Record, while recording.
    double elapsed() const;

    // Record when idle, Stop while recording; nothing while finishing.
    void toggle();
    void start();
    void stop();
    // Between frames: ends a clip at kMaxClipSeconds, and hands a finished
    // clip's result to `finished`.
    void poll();
    // Quitting or the end of a headless run: ends the clip and waits up to
    // `budget` for its files. The result, when there was a clip.
    std::optional<ClipResult> finish(std::chrono::milliseconds budget);

    void view_frame_drawn(const ViewFrame& frame) override;
    void view_frame_shown(const ViewFrame& frame, const ViewRect& in_window) override;

private:
    RunLoop* run_loop_;
    EAGLView* view_;
    Options options_;
    Finished finished_;
    std::unique_ptr<ViewRecorder> recorder_;
    double started_ = 0;  // run-loop seconds when Record was pressed
    int shown_seconds_ = -1;  // the elapsed seconds on screen
};

}  // namespace lumo
