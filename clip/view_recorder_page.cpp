// The browser's page records clips itself (platform/browser/host_clip.js):
// this hands it the view's frames where they are in the canvas, and asks it
// how the files are coming along.

#include "clip/view_recorder.h"
#include "platform/host.h"

namespace lumo {
namespace {

class PageViewRecorder : public ViewRecorder {
public:
    explicit PageViewRecorder(const ClipRequest& request) {
        host_clip_start(request.width, request.height, request.stem);
    }

    void frame_drawn(const ViewFrame&, double) override {}

    void frame_shown(const ViewFrame&, const ViewRect& in_window, double time) override {
        if (ended_) return;
        if (!started_) started_ = true, start_time_ = time;
        if (time >= start_time_ + kMaxClipSeconds) return stop(time);
        host_clip_frame_shown(in_window.x, in_window.y, in_window.width, in_window.height);
    }

    void stop(double) override {
        if (ended_) return;
        ended_ = true;
        host_clip_stop();
    }

    std::optional<ClipResult> poll(double now) override {
        if (!ended_ && started_ && now >= start_time_ + kMaxClipSeconds) stop(now);
        if (given_) return std::nullopt;
        const HostClip clip = host_clip_state();
        if (clip.state != HostClip::State::ready && clip.state != HostClip::State::failed) return std::nullopt;
        ended_ = given_ = true;
        ClipResult result;
        result.kept = ClipResult::Kept::by_page;
        result.frames_dropped = clip.frames_dropped;
        if (clip.state == HostClip::State::failed) {
            result.error = clip.error.empty() ? "the browser could not record it" : clip.error;
            return result;
        }
        result.can_share = clip.can_share;
        for (const std::string& name : clip.names) result.files.emplace_back(name);
        return result;
    }

    // A page is never quit from inside: what it holds is what there is.
    ClipResult finish_for_quit(double time, std::chrono::milliseconds) override {
        stop(time);
        if (std::optional<ClipResult> result = poll(time)) return *result;
        ClipResult unfinished;
        unfinished.kept = ClipResult::Kept::by_page;
        unfinished.error = "the page closed before the clip was ready";
        return unfinished;
    }

    bool ended() const override { return ended_; }

private:
    bool started_ = false;
    double start_time_ = 0;
    bool ended_ = false;
    bool given_ = false;
};

}  // namespace

std::unique_ptr<ViewRecorder> ViewRecorder::start(const ClipRequest& request) {
    return std::make_unique<PageViewRecorder>(request);
}

}  // namespace lumo
