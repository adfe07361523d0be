// Recording clips of the view: the real program, headless, recording a
// scripted four-finger press with --record, its files read back by ffprobe
// and ffmpeg and held against the screenshots of the same moments; clips
// that cannot be written; and the Record control, the R key, a lost focus
// and the 20 s limit in the running application.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "picture/picture.h"
#include "support/run_lumo.h"
#include "support/app_harness.h"
#include "support/media_probe.h"
#include "support/scoped_environment.h"

namespace lumo::testing {
namespace {

using namespace std::chrono_literals;

// A tap hides the panel; four fingers press the dome at frame 10 and let go at 30.
constexpr const char* kFourFingers =
    "1 down 1 160 150\n2 up 1\n"
    "10 down 1 160 240\n10 down 2 110 190\n10 down 3 210 190\n10 down 4 160 320\n"
    "30 up 1\n30 up 2\n30 up 3\n30 up 4\n";
// The recording dot's corner of the window, which the screenshots show and the clip must not.
constexpr int kDotWidth = 90, kDotHeight = 40;

// Mean difference per channel between an RGB frame and an RGBA picture of
// the same size, outside the dot's corner.
double mean_difference(const std::vector<uint8_t>& rgb, const Picture& picture) {
    double sum = 0;
    long count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (x < kDotWidth && y < kDotHeight) continue;
            const uint8_t* p = picture.pixel(x, y);
            const uint8_t* q = &rgb[(static_cast<std::size_t>(y) * picture.width() + x) * 3];
            for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
            count += 3;
        }
    return sum / static_cast<double>(count);
}

// Pixels in the dot's corner that are the dot's red.
template <typename Pixel>
int red_pixels(Pixel pixel) {
    int red = 0;
    for (int y = 0; y < kDotHeight; ++y)
        for (int x = 0; x < kDotWidth; ++x) {
            const uint8_t* p = pixel(x, y);
            red += p[0] > 200 && p[1] < 80 && p[2] < 80;
        }
    return red;
}

TEST_F(AppTest, ARecordedRunMatchesItsScreenshotsAndPlayersReadIt) {
    std::ofstream(home_ / "press.txt") << kFourFingers;
    struct Row {
        const char* file;
        int frame;  // the clip's frame shown at the screenshot's moment
        double within;  // its mean difference from the screenshot, at most
        std::function<void(const std::filesystem::path&)> check;
    };
    // The run's frames are 0.05 s apart; the clip starts with frame 1 and
    // ends with the run at frame 60: 2.95 s. Frame 12 shows from 0.60 s.
    const Row rows[] = {
        {"out.mp4", 17, 6.0,
         [](const std::filesystem::path& file) {
             auto video = probe_video(file);
             ASSERT_FALSE(video.empty()) << "ffprobe could not read the MP4";
             EXPECT_EQ(video["codec_name"], "h264");
             EXPECT_EQ(video["r_frame_rate"], "30/1");
             EXPECT_EQ(video["width"], "320");
             EXPECT_EQ(video["height"], "480");
             EXPECT_EQ(video["nb_read_frames"], "89");
         }},
        {"out.gif", 11, 3.0,
         [](const std::filesystem::path& file) {
             const GifFacts gif = read_gif_facts(file_bytes(file));
             EXPECT_TRUE(gif.valid && gif.loops_forever);
             EXPECT_EQ(gif.width, 320);
             EXPECT_EQ(gif.height, 480);
             EXPECT_EQ(gif.frames, 59);
             EXPECT_EQ(gif.delays, std::vector<int>(59, 5));
         }},
    };
    for (const Row& row : rows) {
        for (const char* name : {"out.mp4", "out.gif"}) std::filesystem::remove(home_ / name);
        const auto clip = home_ / row.file;
        const auto shot = home_ / "at12.png";
        std::string output;
        const std::string arguments = "--headless --frames 60 --home " + home_.string() + " --script " +
                                      (home_ / "press.txt").string() + " --screenshot-at 12:" + shot.string() +
                                      " --record " + clip.string();
        ASSERT_EQ(run_lumo(arguments, &output), 0) << output;
        EXPECT_NE(output.find("lumo: clip saved to " + clip.string()), std::string::npos) << output;
        EXPECT_FALSE(std::filesystem::exists(home_ / (std::string(row.file) == "out.mp4" ? "out.gif" : "out.mp4")))
            << "--record writes the one file it names";
        row.check(clip);

        const auto picture = load_picture_file(shot);
        ASSERT_TRUE(picture);
        const auto frames = decode_frames(clip, 320, 480);
        ASSERT_GT(frames.size(), static_cast<std::size_t>(row.frame + 1)) << row.file;
        // The moment itself, not the frame before or after: the press moves fast then.
        const double here = mean_difference(frames[row.frame], *picture);
        EXPECT_LE(here, row.within) << row.file;
        EXPECT_GT(mean_difference(frames[row.frame - 1], *picture), here) << row.file;
        EXPECT_GT(mean_difference(frames[row.frame + 1], *picture), here) << row.file;
        // The screenshot shows the dot over the view; the clip is the view alone.
        EXPECT_GT(red_pixels([&](int x, int y) { return picture->pixel(x, y); }), 20) << row.file;
        EXPECT_EQ(red_pixels([&](int x, int y) { return &frames[row.frame][(y * 320 + x) * 3]; }), 0) << row.file;

        if (std::string(row.file) == "out.gif") {
            // The same script again: the same bytes, over the file named.
            const std::vector<uint8_t> first = file_bytes(clip);
            ASSERT_EQ(run_lumo(arguments, &output), 0) << output;
            EXPECT_TRUE(file_bytes(clip) == first) << "the same script gives the same GIF";
        }
    }
}

// Runs `script` with sh, inside a user and mount namespace of its own when
// `namespaced` (a mount without root, where the kernel allows it); what it
// printed. The namespace, and what was mounted in it, ends with the script.
std::string run_shell(const std::filesystem::path& script, bool namespaced) {
    std::string output;
    run_command(std::string(namespaced ? "unshare -rm " : "") + "sh " + script.string(), &output);
    return output;
}

TEST_F(AppTest, AClipThatCannotBeWrittenSaysWhyAndLeavesNothing) {
    std::ofstream(home_ / "press.txt") << kFourFingers;
    const auto folder = home_ / "clips";
    const bool namespaces = std::system("unshare -rm true >/dev/null 2>&1") == 0;
    struct Row {
        const char* what;
        const char* shell;  // before the program, in the same shell
        bool namespaced;  // in a mount namespace of its own
        bool needs_permissions;
        const char* reason;
    };
    const Row rows[] = {
        {"a folder that does not exist", "rmdir clips", false, false, "the folder does not exist"},
        {"a full disk", "mount -t tmpfs -o size=48k none clips", true, false, "the disk is full"},
        {"a file-size limit", "ulimit -f 64", false, false, "the file is too large for this system's limit"},
        {"a folder that cannot be written", "chmod 500 clips", false, true, "the folder cannot be written"},
    };
    for (const Row& row : rows) {
        if ((row.namespaced && !namespaces) || (row.needs_permissions && !permissions_are_enforced())) continue;
        std::error_code ignored;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(folder, ignored);
        std::filesystem::create_directories(folder);
        std::ofstream(home_ / "run.sh") << "cd " << home_ << " && " << row.shell << "\n"
                                        << "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " LUMO_BINARY
                                           " --headless --frames 60 --home . --script press.txt --record "
                                        << (folder / "out.gif") << "\necho status $?\nls -A clips 2>/dev/null\n";
        const std::string output = run_shell(home_ / "run.sh", row.namespaced);
        EXPECT_NE(output.find(std::string("lumo: Could not save the clip: ") + row.reason), std::string::npos)
            << row.what << ": " << output;
        const auto status = output.find("status 1\n");
        ASSERT_NE(status, std::string::npos) << row.what << ": a failed clip fails the run: " << output;
        EXPECT_EQ(output.substr(status + 9), "") << row.what << ": nothing is left in the folder";
    }
}

// The Record control in the running application, and each way a clip
// ends: Stop, the R key, a lost focus, the 20 s limit. While recording the
// control reads Stop and the dot and the seconds show over the view; after,
// a notice names both files, put in the videos folder, and offers Show in
// folder.
TEST_F(AppTest, RecordEndsByStopTheRKeyALostFocusOrAfterTwentySeconds) {
    const auto videos = home_ / "Videos";
    std::filesystem::create_directories(videos);
    ScopedEnvironment user_home("HOME", home_.c_str());
    ScopedEnvironment config("XDG_CONFIG_HOME", (home_ / "config").c_str());
    struct Row {
        const char* what;
        std::function<void()> start;
        std::function<void()> end;
        int video_frames;  // 0: not counted
    };
    const auto press_record = [&] { click_control(ControlPanel::record); };
    const auto key_r = [&] {
        app().push_key(SDLK_r);
        turn();
    };
    const Row rows[] = {
        {"Record, then Stop", press_record, press_record, 0},
        {"R, then R", key_r, key_r, 0},
        {"Record, then the focus lost", press_record,
         [&] {
             app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
             turn();
         },
         0},
        {"R, then 20 seconds", key_r, [&] { app().run_for(20.0); }, 600},
    };
    for (const Row& row : rows) {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(videos)) std::filesystem::remove(entry, ignored);
        app_.reset();
        options_.window_width = 400;  // room for the tools' row, where Record is
        options_.window_height = 800;
        launch();
        row.start();
        app().run_for(1.1);
        EXPECT_TRUE(app().clip().recording()) << row.what;
        EXPECT_TRUE(drawn_control("Stop")) << row.what << ": Record reads Stop";
        EXPECT_TRUE(drawn_.drew_text("0:01")) << row.what << ": the seconds so far";
        const Picture shown = window_picture();
        EXPECT_GT(red_pixels([&](int x, int y) { return shown.pixel(x, y); }), 20) << row.what << ": the dot";

        row.end();
        EXPECT_FALSE(app().clip().recording()) << row.what;
        std::optional<DrawnItem> show_in_folder;
        for (int i = 0; i < 600 && !show_in_folder; ++i) {
            std::this_thread::sleep_for(10ms);  // the encoder thread finishes the files meanwhile
            show_in_folder = drawn_control("Show in folder");
        }
        ASSERT_TRUE(show_in_folder) << row.what << ": the notice offers Show in folder";
        const AlertView* notice = app().ui().panel()->notice();
        ASSERT_TRUE(notice != nullptr);
        EXPECT_EQ(notice->title(), "Clip saved") << row.what;
        EXPECT_EQ(notice->detail(), videos.string()) << row.what;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(videos))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names.size(), 2u) << row.what;
        const std::string stem = names[0].substr(0, names[0].size() - 4);
        EXPECT_EQ(names, (std::vector<std::string>{stem + ".gif", stem + ".mp4"})) << row.what;
        EXPECT_EQ(notice->message(), "Saved " + stem + ".mp4 and " + stem + ".gif") << row.what;
        EXPECT_FALSE(drawn_.drew_text("0:01")) << row.what << ": no dot once stopped";
        if (row.video_frames > 0) {
            EXPECT_EQ(probe_video(videos / names[1])["nb_read_frames"], std::to_string(row.video_frames)) << row.what;
        }
    }
}

// The real program on a real X server (Xvfb): R starts a clip, Ctrl+Q
// quits while it records; the clip is finished before the program ends, and
// a line on stderr says where it went.
TEST_F(AppTest, QuittingWhileRecordingFinishesTheClipAndSaysWhere) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    const auto videos = home_ / "Videos";
    std::filesystem::create_directories(videos);
    std::ofstream(home_ / "quit.txt") << "5 key r\n40 key Ctrl+q\n";
    std::string output;
    const int status =
        run_lumo_on_x("--home " + home_.string() + " --script " + (home_ / "quit.txt").string() +
                          " --screenshot-at 30:" + (home_ / "recording.png").string(),
                      &output, "HOME=" + home_.string() + " XDG_CONFIG_HOME=" + (home_ / "config").string());
    ASSERT_EQ(status, 0) << output;
    std::vector<std::filesystem::path> clips;
    for (const auto& entry : std::filesystem::directory_iterator(videos)) clips.push_back(entry.path());
    std::sort(clips.begin(), clips.end());
    ASSERT_EQ(clips.size(), 2u) << output;
    EXPECT_NE(output.find("lumo: clip saved to " + clips[1].string() + " and " + clips[0].string()), std::string::npos)
        << output;
    EXPECT_TRUE(read_gif_facts(file_bytes(clips[0])).valid) << "the GIF is whole";
    EXPECT_EQ(probe_video(clips[1])["codec_name"], "h264") << "the MP4 is whole";
    // The screen while recording: the dot in the top band of the window, over the view.
    const auto shot = load_picture_file(home_ / "recording.png");
    ASSERT_TRUE(shot);
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < shot->width(); ++x) {
            const uint8_t* p = shot->pixel(x, y);
            red += p[0] > 200 && p[1] < 80 && p[2] < 80;
        }
    EXPECT_GT(red, 20) << "the recording dot";
}

}  // namespace
}  // namespace lumo::testing
