// The desktop records clips itself: each view frame read back (through
// pixel-buffer objects on a GPU) and handed to the clip recorder's encoder
// thread.

#include "clip/clip_recorder.h"
#include "clip/view_readback.h"
#include "clip/view_recorder.h"

namespace lumo {
namespace {

class DesktopViewRecorder : public ViewRecorder {
public:
    explicit DesktopViewRecorder(const ClipRequest& request)
        : width_(request.width),
          height_(request.height),
          recorder_(request),
          readback_(width_, height_, ViewReadback::best_mode()) {}

    void frame_shown(const ViewFrame&, const ViewRect&, double) override {}

    // Read as soon as it is drawn: later, some drivers (Mesa's llvmpipe) read
    // the framebuffer without waiting for the frame's drawing to end.
    void frame_drawn(const ViewFrame& frame, double time) override {
        if (recorder_.ended()) return;
        // A view of another size ends the clip where it changed.
        if (frame.width != width_ || frame.height != height_) return stop(time);
        readback_.read(frame, time, take_);
    }

    void stop(double time) override {
        if (!recorder_.ended()) readback_.flush(take_);
        recorder_.stop(time);
    }

    std::optional<ClipResult> poll(double now) override { return recorder_.poll(now); }

    ClipResult finish_for_quit(double time, std::chrono::milliseconds budget) override {
        if (!recorder_.ended()) readback_.flush(take_);
        return recorder_.finish_for_quit(time, budget);
    }

    bool ended() const override { return recorder_.ended(); }

private:
    int width_;
    int height_;
    ClipRecorder recorder_;
    ViewReadback readback_;
    const ViewReadback::Take take_ = [this](std::span<const uint8_t> rgba, double time) {
        recorder_.offer(rgba, RowOrder::bottom_first, time);
    };
};

}  // namespace

std::unique_ptr<ViewRecorder> ViewRecorder::start(const ClipRequest& request) {
    return std::make_unique<DesktopViewRecorder>(request);
}

}  // namespace lumo
