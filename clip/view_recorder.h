#pragma once
// Recording the view into a clip, the way this host does it. On the desktop
// the program reads each view frame back from the view's framebuffer and
// encodes both files itself (view_recorder_desktop.cpp: ViewReadback and
// ClipRecorder). In the browser the page records them (view_recorder_page.cpp,
// through the host's clip functions: MediaRecorder for the video, the same
// GIF encoder in a worker). CMake builds one of the two.
//
// Main thread only; frame_shown() with the view's GL context current.

#include <chrono>
#include <memory>
#include <optional>

#include "clip/clip_request.h"
#include "platform/eagl_context.h"
#include "platform/gl_window.h"

namespace lumo {

class ViewRecorder {
public:
    // Starts a clip of the view, request.width x request.height pixels.
    // Problems (an unwritable folder) come back from poll().
    static std::unique_ptr<ViewRecorder> start(const ClipRequest& request);
    virtual ~ViewRecorder() = default;

    // A view frame presented at `time` (the run loop's seconds) was drawn:
    // its framebuffer is still bound (the desktop reads it back here).
    virtual void frame_drawn(const ViewFrame& frame, double time) = 0;
    // The same frame is in the window at `in_window` (window pixels), the
    // interface not yet over it (the page draws it from its canvas here).
    virtual void frame_shown(const ViewFrame& frame, const ViewRect& in_window, double time) = 0;
    // Ends the clip; poll() gives the result once the files are done.
    virtual void stop(double time) = 0;
    // Between frames: ends the clip at kMaxClipSeconds, and once it is
    // finished returns the result, once.
    virtual std::optional<ClipResult> poll(double now) = 0;
    // Quitting: stops, and waits up to `budget` for the files.
    virtual ClipResult finish_for_quit(double time, std::chrono::milliseconds budget) = 0;
    // True once no more frames go into the clip.
    virtual bool ended() const = 0;
};

}  // namespace lumo
