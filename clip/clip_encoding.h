#pragma once
// The encoder thread's work for one clip: the frames as presented, sampled
// at each file's rate, encoded into an MP4 and a GIF under hidden temporary
// names, and both put in place at the end, or neither.

#include <memory>
#include <string>
#include <vector>

#include "clip/clip_request.h"
#include "clip/frame_sampler.h"
#include "clip/frame_queue.h"

namespace lumo {

class GifEncoder;
class Mp4Encoder;
class PendingFile;

class ClipEncoding {
public:
    explicit ClipEncoding(const ClipRequest& request);
    ~ClipEncoding();  // removes whatever was not put in place
    ClipEncoding(const ClipEncoding&) = delete;
    ClipEncoding& operator=(const ClipEncoding&) = delete;

    // Creates both temporaries and starts both encoders. false once anything
    // failed: error() says why, and nothing else is done.
    bool open();

    // The next frame was presented at `time`; `previous` is the frame before
    // it (null for the first). Encodes `previous` as often as each file shows it.
    bool present(const QueuedFrame* previous, double time);

    // Both streams hold kMaxClipSeconds: nothing more goes in.
    bool full() const;

    // The clip ends at end_time, `last` (null when none) showing till then:
    // closes both files and puts them in place under free names.
    ClipResult finish(const QueuedFrame* last, double end_time);

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    struct GifOutput;
    bool fail(const std::string& reason);
    bool encode(const QueuedFrame& frame, int video_count, int gif_count);
    bool place_files(ClipResult* result);

    ClipRequest request_;
    FrameSampler video_sampler_;
    FrameSampler gif_sampler_;
    std::unique_ptr<PendingFile> mp4_file_;
    std::unique_ptr<Mp4Encoder> mp4_;
    std::unique_ptr<GifOutput> gif_output_;  // declared before gif_: outlives the encoder writing to it
    std::unique_ptr<GifEncoder> gif_;
    std::string error_;
};

}  // namespace lumo
