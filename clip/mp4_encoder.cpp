#include "clip/mp4_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <mutex>

#include "files/file_error_words.h"

namespace lumo {
namespace {

// x264's trade of speed for size; measured in bench/clip_bench.cpp on two
// cores. "veryfast" at CRF 23 keeps up with 30 frames a second at 640 x 960
// on the encoder thread alone, and the dome's smooth shading stays clean.
constexpr const char* kPreset = "veryfast";
constexpr const char* kQuality = "23";  // x264's constant rate factor: lower is better and bigger
// x264 on the encoder thread only: the interface keeps the other core.
constexpr int kEncoderThreads = 1;
constexpr int kKeyframeInterval = 2 * Mp4Encoder::kFramesPerSecond;  // a key frame every 2 s: quick seeking
// x264 holds every frame it looks ahead over: at 640 x 960 its default of 10
// with 3 B-frames took 58 MB, 5 with 1 takes 38 MB, for files about as small.
constexpr int kLookahead = 5;
constexpr int kBFrames = 1;

std::string words_for(int averror) {
    const int error_number = AVUNERROR(averror);
    if (error_number > 0 && error_number < 4096) return file_error_words(error_number);
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return text;
}

bool failed(int averror, std::string* error) {
    if (averror >= 0) return false;
    if (error) *error = words_for(averror);
    return true;
}

}  // namespace

struct Mp4Encoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int width = 0;  // the clip's
    int height = 0;
    int64_t next_pts = 0;
    bool header_written = false;
    bool finished = false;

    ~State() {
        sws_freeContext(scale);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Moves every packet the encoder has ready into the file.
    int write_ready_packets() {
        for (;;) {
            int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
            if (result < 0) return result;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
            if (result < 0) return result;
        }
    }
};

Mp4Encoder::Mp4Encoder() : state_(std::make_unique<State>()) {}
Mp4Encoder::~Mp4Encoder() = default;

int Mp4Encoder::video_width() const { return state_->width & ~1; }
int Mp4Encoder::video_height() const { return state_->height & ~1; }

bool Mp4Encoder::open(const std::filesystem::path& path, int width, int height, std::string* error) {
    // libx264 reports its statistics on stderr at every close otherwise.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });

    State& s = *state_;
    s.width = width;
    s.height = height;
    if (video_width() < 2 || video_height() < 2) {
        if (error) *error = "the view is too small for a video";
        return false;
    }
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264) {
        if (error) *error = "this system's FFmpeg has no H.264 encoder (libx264)";
        return false;
    }
    // "file:" keeps a name with a colon from being read as another protocol.
    const std::string url = "file:" + path.string();
    if (failed(avformat_alloc_output_context2(&s.format, nullptr, "mp4", url.c_str()), error)) return false;
    s.stream = avformat_new_stream(s.format, nullptr);
    s.codec = avcodec_alloc_context3(h264);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.stream || !s.codec || !s.frame || !s.packet) {
        if (error) *error = file_error_words(ENOMEM);
        return false;
    }

    AVCodecContext& c = *s.codec;
    c.width = video_width();
    c.height = video_height();
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = AVRational{1, kFramesPerSecond};
    c.framerate = AVRational{kFramesPerSecond, 1};
    c.gop_size = kKeyframeInterval;
    c.max_b_frames = kBFrames;
    c.thread_count = kEncoderThreads;
    // The picture is sRGB; BT.709 is what players assume for video anyway.
    c.color_primaries = AVCOL_PRI_BT709;
    c.color_trc = AVCOL_TRC_BT709;
    c.colorspace = AVCOL_SPC_BT709;
    c.color_range = AVCOL_RANGE_MPEG;
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c.priv_data, "preset", kPreset, 0);
    av_opt_set(c.priv_data, "crf", kQuality, 0);
    av_opt_set_int(c.priv_data, "rc-lookahead", kLookahead, 0);
    if (failed(avcodec_open2(s.codec, h264, nullptr), error)) return false;
    if (failed(avcodec_parameters_from_context(s.stream->codecpar, s.codec), error)) return false;
    s.stream->time_base = c.time_base;
    s.stream->avg_frame_rate = c.framerate;

    if (failed(avio_open(&s.format->pb, url.c_str(), AVIO_FLAG_WRITE), error)) return false;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    const int header = avformat_write_header(s.format, &options);
    av_dict_free(&options);
    if (failed(header, error)) return false;
    s.header_written = true;

    s.frame->format = AV_PIX_FMT_YUV420P;
    s.frame->width = c.width;
    s.frame->height = c.height;
    if (failed(av_frame_get_buffer(s.frame, 0), error)) return false;
    s.scale = sws_getContext(c.width, c.height, AV_PIX_FMT_RGBA, c.width, c.height, AV_PIX_FMT_YUV420P,
                             SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!s.scale) {
        if (error) *error = "the colour conversion could not be set up";
        return false;
    }
    // Full-range RGB in, limited-range BT.709 out, matching the stream's tags.
    sws_setColorspaceDetails(s.scale, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0, 0,
                             1 << 16, 1 << 16);
    return true;
}

bool Mp4Encoder::add(std::span<const uint8_t> rgba, int count, std::string* error) {
    State& s = *state_;
    if (!s.header_written || s.finished) {
        if (error) *error = "the video is not open";
        return false;
    }
    if (count <= 0) return true;
    if (rgba.size() != static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 4) {
        if (error) *error = "a frame of the wrong size";
        return false;
    }
    if (failed(av_frame_make_writable(s.frame), error)) return false;
    // The clip's own row length: reading video_width() pixels of each of the
    // first video_height() rows drops an odd last column and row.
    const uint8_t* source[1] = {rgba.data()};
    const int source_stride[1] = {s.width * 4};
    sws_scale(s.scale, source, source_stride, 0, s.frame->height, s.frame->data, s.frame->linesize);
    for (int i = 0; i < count; ++i) {
        s.frame->pts = s.next_pts++;
        if (failed(avcodec_send_frame(s.codec, s.frame), error)) return false;
        if (failed(s.write_ready_packets(), error)) return false;
    }
    return true;
}

bool Mp4Encoder::finish(std::string* error) {
    State& s = *state_;
    if (!s.header_written || s.finished) {
        if (error) *error = "the video is not open";
        return false;
    }
    s.finished = true;
    if (s.next_pts == 0) {
        if (error) *error = "no frame was recorded";
        return false;
    }
    if (failed(avcodec_send_frame(s.codec, nullptr), error)) return false;
    if (failed(s.write_ready_packets(), error)) return false;
    // With faststart the trailer also moves the index ahead of the media.
    if (failed(av_write_trailer(s.format), error)) return false;
    if (failed(s.format->pb->error, error)) return false;
    return !failed(avio_closep(&s.format->pb), error);
}

}  // namespace lumo
