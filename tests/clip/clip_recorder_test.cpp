// Clips recorded through the real path (slots, encoder thread, FFmpeg, the GIF writer
// and libimagequant, files put in place), read back by ffprobe, SDL2_image
// and a GIF parser of our own.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "clip/clip_recorder.h"
#include "support/media_probe.h"
#include "support/clip_frames.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

using namespace std::chrono_literals;

constexpr double kTick = 1.0 / 60;  // the virtual clock's step

ClipRequest request_for(const std::filesystem::path& folder, int width, int height) {
    ClipRequest request;
    request.width = width;
    request.height = height;
    request.folder = folder;
    request.stem = "clip";
    request.when_full = WhenFull::wait;  // as scripted runs record
    return request;
}

// Offers frame i at time i * step (accumulated, as a virtual clock does)
// while the time is before `until` and the recorder takes them.
double offer_frames(ClipRecorder& recorder, int width, int height, double until, double step = kTick) {
    double t = 0;
    for (int i = 0; t < until; ++i, t += step)
        if (recorder.offer(clip_frame(width, height, i), RowOrder::top_first, t) == ClipRecorder::Offer::ended) break;
    return t;
}

ClipResult wait_for_result(ClipRecorder& recorder, double now) {
    for (int i = 0; i < 60000; ++i) {
        if (auto result = recorder.poll(now)) return *result;
        std::this_thread::sleep_for(1ms);
    }
    ADD_FAILURE() << "the clip never finished";
    return {};
}

ClipResult record(const ClipRequest& request, double seconds) {
    ClipRecorder recorder(request);
    offer_frames(recorder, request.width, request.height, seconds);
    recorder.stop(seconds);
    return wait_for_result(recorder, seconds);
}

double mean_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int channel) {
    double sum = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < a.size(); i += 4) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size() / 4);
}

TEST(ClipRecorder, WritesAnMp4AndAGifThatPlayersRead) {
    TempFolder folder;
    // Odd on purpose: the video drops the last column and row, the GIF keeps them.
    const int width = 161, height = 241;
    const ClipResult result = record(request_for(folder.path(), width, height), 2.0);
    ASSERT_TRUE(result.saved()) << result.message();
    EXPECT_EQ(result.files, (std::vector<std::filesystem::path>{folder / "clip.mp4", folder / "clip.gif"}));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"clip.gif", "clip.mp4"})) << "no temporary is left";
    EXPECT_EQ(result.message(), "Saved clip.mp4 and clip.gif");
    EXPECT_EQ(result.frames_dropped, 0) << "a waiting recorder never drops";

    auto video = probe_video(folder / "clip.mp4");
    ASSERT_FALSE(video.empty()) << "ffprobe could not read the MP4 (is Debian's ffmpeg installed?)";
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_EQ(video["width"], "160");
    EXPECT_EQ(video["height"], "240");
    EXPECT_EQ(video["r_frame_rate"], "30/1");
    EXPECT_EQ(video["avg_frame_rate"], "30/1");
    EXPECT_EQ(video["nb_read_frames"], "60");
    EXPECT_EQ(result.video_frames, 60);
    const auto boxes = mp4_top_level_boxes(file_bytes(folder / "clip.mp4"));
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov"),
               mdat = std::find(boxes.begin(), boxes.end(), "mdat");
    ASSERT_TRUE(moov != boxes.end() && mdat != boxes.end());
    EXPECT_LT(moov, mdat) << "the index comes first (faststart), so the video plays while it loads";

    const GifFacts gif = read_gif_facts(file_bytes(folder / "clip.gif"));
    ASSERT_TRUE(gif.valid);
    EXPECT_EQ(gif.width, width);
    EXPECT_EQ(gif.height, height);
    EXPECT_EQ(gif.frames, 40);
    EXPECT_EQ(result.gif_frames, 40);
    EXPECT_EQ(gif.delays, std::vector<int>(40, 5)) << "every frame shows 5/100 s: 20 a second";
    EXPECT_TRUE(gif.loops_forever);

    int decoded_width = 0, decoded_height = 0;
    const auto decoded = decode_first_gif_frame(folder / "clip.gif", &decoded_width, &decoded_height);
    ASSERT_EQ(decoded_width, width);
    ASSERT_EQ(decoded_height, height);
    auto source = clip_frame(width, height, 0);
    ASSERT_EQ(decoded.size(), source.size());
    for (int c = 0; c < 3; ++c) EXPECT_LE(mean_difference(decoded, source, c), 3.0) << "channel " << c;
}

TEST(ClipRecorder, TheSameFramesGiveTheSameGifBytesUnderAFreeName) {
    TempFolder folder;
    const ClipRequest request = request_for(folder.path(), 120, 180);
    const ClipResult first = record(request, 1.0);
    ASSERT_TRUE(first.saved()) << first.message();
    write_text(folder / "clip-2.gif", "someone else's");
    const ClipResult second = record(request, 1.0);
    ASSERT_TRUE(second.saved()) << second.message();
    EXPECT_EQ(second.files, (std::vector<std::filesystem::path>{folder / "clip-3.mp4", folder / "clip-3.gif"}))
        << "a name taken for either file is skipped for both";
    EXPECT_EQ(read_text(folder / "clip-2.gif"), "someone else's");
    EXPECT_EQ(file_bytes(folder / "clip.gif"), file_bytes(folder / "clip-3.gif"));
}

// Records in a child process whose files may not grow past `limit` bytes,
// with SIGXFSZ left at its default (which ends a process): the recorder's
// writing must get EFBIG instead. Returns the result's error, or why the
// child failed.
std::string error_under_file_size_limit(const ClipRequest& request, rlim_t limit) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        const rlimit small{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::string error = record(request, 2.0).error;
        const ssize_t written = ::write(pipe_ends[1], error.data(), error.size());
        ::_exit(written == static_cast<ssize_t>(error.size()) ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    std::string error;
    char chunk[256];
    for (ssize_t n; (n = ::read(pipe_ends[0], chunk, sizeof chunk)) > 0;)
        error.append(chunk, static_cast<std::size_t>(n));
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "the child was killed by signal " + std::to_string(WTERMSIG(status));
    return error;
}

TEST(ClipRecorder, AFailedWriteSaysWhyAndLeavesNothingBehind) {
    struct Row {
        const char* what;
        std::function<std::string(TempFolder&)> run;  // returns the error
        const char* expected;
        bool needs_permissions;
    };
    const Row rows[] = {
        {"a folder that does not exist",
         [](TempFolder& folder) { return record(request_for(folder / "missing", 64, 96), 0.5).error; },
         "the folder does not exist", false},
        {"a folder that cannot be written",
         [](TempFolder& folder) {
             ::chmod(folder.path().c_str(), 0555);
             const std::string error = record(request_for(folder.path(), 64, 96), 0.5).error;
             ::chmod(folder.path().c_str(), 0755);
             return error;
         },
         "the folder cannot be written", true},
        {"a file-size limit",
         [](TempFolder& folder) {
             return error_under_file_size_limit(request_for(folder.path(), 160, 240), 16 * 1024);
         },
         "the file is too large for this system's limit", false},
    };
    for (const Row& row : rows) {
        if (row.needs_permissions && !permissions_are_enforced()) continue;  // root writes anywhere
        TempFolder folder;
        EXPECT_EQ(row.run(folder), row.expected) << row.what;
        EXPECT_TRUE(folder.names().empty()) << row.what << ": neither a file nor a temporary is left";
    }
}

TEST(ClipRecorder, AFailureEndsTheOffersAndReadsAsAFailure) {
    TempFolder folder;
    ClipRecorder recorder(request_for(folder / "missing", 32, 48));
    ClipRecorder::Offer last = ClipRecorder::Offer::taken;
    for (int i = 0; i < 1000 && last != ClipRecorder::Offer::ended; ++i)
        last = recorder.offer(clip_frame(32, 48, i), RowOrder::top_first, i * kTick);
    EXPECT_EQ(last, ClipRecorder::Offer::ended) << "once the encoder failed, no more frames are taken";
    const ClipResult result = wait_for_result(recorder, 0);
    EXPECT_FALSE(result.saved());
    EXPECT_TRUE(result.files.empty());
    EXPECT_EQ(result.message(), "Could not save the clip: the folder does not exist");
}

TEST(ClipRecorder, EndsWhenStoppedAtTheLimitOrOnQuitting) {
    const int width = 16, height = 24;
    struct Row {
        const char* what;
        std::function<ClipResult(ClipRecorder&)> run;
        int video_frames;
        int gif_frames;
    };
    const Row rows[] = {
        {"stopped",
         [&](ClipRecorder& r) {
             offer_frames(r, width, height, 1.0, 0.1);
             r.stop(1.0);
             return wait_for_result(r, 1.0);
         },
         30, 20},
        {"a frame at the limit",
         [&](ClipRecorder& r) {
             const double ended_at = offer_frames(r, width, height, 30.0, 0.25);
             EXPECT_EQ(ended_at, 20.0) << "the first frame at 20 s is refused";
             EXPECT_TRUE(r.ended());
             return wait_for_result(r, ended_at);
         },
         600, 400},
        {"the limit while nothing is presented",
         [&](ClipRecorder& r) {
             offer_frames(r, width, height, 0.01);
             EXPECT_FALSE(r.poll(19.9));
             EXPECT_FALSE(r.ended());
             return wait_for_result(r, 20.0);
         },
         600, 400},
        {"the view changed size",
         [&](ClipRecorder& r) {
             offer_frames(r, width, height, 0.5, 0.1);
             EXPECT_EQ(r.offer(clip_frame(width + 2, height, 0), RowOrder::top_first, 0.6), ClipRecorder::Offer::ended);
             return wait_for_result(r, 0.6);
         },
         18, 12},  // the last frame of the old size shows until the change
        {"quitting",
         [&](ClipRecorder& r) {
             offer_frames(r, width, height, 1.0, 0.1);
             return r.finish_for_quit(1.5);
         },
         45, 30},
    };
    for (const Row& row : rows) {
        TempFolder folder;
        ClipRecorder recorder(request_for(folder.path(), width, height));
        const ClipResult result = row.run(recorder);
        ASSERT_TRUE(result.saved()) << row.what << ": " << result.message();
        EXPECT_EQ(result.video_frames, row.video_frames) << row.what;
        EXPECT_EQ(result.gif_frames, row.gif_frames) << row.what;
        EXPECT_EQ(probe_video(folder / "clip.mp4")["nb_read_frames"], std::to_string(row.video_frames)) << row.what;
        EXPECT_EQ(read_gif_facts(file_bytes(folder / "clip.gif")).frames, row.gif_frames) << row.what;
        EXPECT_FALSE(recorder.poll(100.0)) << row.what << ": the result is given once";
    }
}

}  // namespace
}  // namespace lumo::testing
