// Input from an attacker or a careless user: bad scripts and command lines,
// screenshots that cannot be written, huge coordinates and tilts, and quick
// clicks and keys. Each case failed before its mend.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "support/run_lumo.h"
#include "support/app_harness.h"
#include "picture/picture.h"

namespace lumo::testing {
namespace {

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::string> saved_files(const std::filesystem::path& home) {
    std::vector<std::string> names;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(home / "Documents", code))
        names.push_back(entry.path().filename().string());
    return names;
}

// --- Scripts that are not scripts -------------------------------------------------

TEST_F(AppTest, AScriptThatIsNoRegularFileIsRefusedInOneLineWithTwo) {
    const auto fifo = home_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(home_ / "big.txt") << std::string(kMaxScriptBytes + 1, '#');
    // A device that never ends, one that never answers, a folder, an oversized file.
    for (const std::string& script :
         {std::string("/dev/zero"), fifo.string(), home_.string(), (home_ / "big.txt").string()}) {
        std::string output;
        EXPECT_EQ(run_lumo("--headless --frames 3 --home " + home_.string() + " --script " + script, &output), 2)
            << script << ": " << output;
        EXPECT_EQ(lines(output), 1) << output;
        EXPECT_NE(output.find(script), std::string::npos) << output;
    }
}

TEST(ScriptFormat, RefusesPositionsFarOutsideTheViewAndNonFiniteTilts) {
    std::string error;
    EXPECT_FALSE(parse_script("1 click 1e30 1e30\n", &error));
    EXPECT_EQ(error.rfind("line 1: expected x and y", 0), 0u) << error;
    EXPECT_FALSE(parse_script("1 mousedown -3e9 240\n", &error));
    EXPECT_FALSE(parse_script("1 down 1 160 1e7\n", &error));
    EXPECT_FALSE(parse_script("1 tilt nan 0 0\n", &error));
    EXPECT_TRUE(parse_script("1 click -100 600\n2 tilt 3e38 3e38 3e38\n", &error)) << error;
}

TEST(ScriptFormat, DropTakesTheRestOfTheLineAsTheFile) {
    std::string error;
    const auto events = parse_script("2 drop /tmp/a picture.png  \n", &error);
    ASSERT_TRUE(events) << error;
    EXPECT_EQ((*events)[0].kind, ScriptEvent::Kind::drop);
    EXPECT_EQ((*events)[0].file, "/tmp/a picture.png");
    EXPECT_FALSE(parse_script("2 drop\n", &error));
}

// --- Runs of the real program that used to crash, hang or pass in silence ---------

// Each row runs lumo as a user would and must end by itself, with the status
// and the words given, leaving nothing behind in the documents folder.
TEST_F(AppTest, HostileRunsEndWithAStatusAndAMessage) {
    const std::string home = home_.string();
    ASSERT_EQ(::mkfifo((home_ / "f.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((home_ / "f.lumo").c_str(), 0600), 0);
    std::ofstream(home_ / "save.txt") << "3 press save\n";
    std::ofstream(home_ / "drop.txt") << "2 drop " << (home_ / "f.jpg").string() << "\n";
    const struct {
        const char* what;
        std::string before;
        std::string arguments;
        int status;
        const char* says;
    } rows[] = {
        // SIGXFSZ ended it with status 153 and left a hidden temporary.
        {"a save past a file-size limit", "ulimit -f 300; ", "--script " + home + "/save.txt", 0,
         "save failed: could not save 2"},
        {"a save past a file-size limit", "ulimit -f 300; ", "--script " + home + "/save.txt", 0,
         ".lumo: the file is too large for this system's limit"},
        // The file-kind check opened these with a blocking read: hung for ever.
        {"a pipe named as a picture", "", home + "/f.jpg", 0, "f.jpg: it is not a regular file"},
        {"a pipe named as a shape file", "", home + "/f.lumo", 0, "it is not a regular file"},
        {"a pipe dropped", "", "--script " + home + "/drop.txt", 0, "f.jpg: it is not a regular file"},
        // Taken for "not given", or for the working folder.
        {"an empty home", "", "--home ''", 2, "--home needs a file or folder name"},
        {"an empty screenshot", "", "--screenshot ''", 2, "--screenshot needs a file or folder name"},
        {"an empty script", "", "--script ''", 2, "--script needs a file or folder name"},
        // 7 GB and more than a minute for two frames.
        {"a huge window", "", "--size 16384x16384", 2, "needs more memory than lumo allows"},
        {"a huge window at 4 pixels a point", "", "--size 2000x3000 --pixel-ratio 4", 2, "at most 33554432 pixels"},
    };
    for (const auto& row : rows) {
        std::string output;
        const std::string home_option = row.arguments.starts_with("--home") ? "" : "--home " + home + " ";
        const int status =
            run_lumo("--headless --frames 10 " + home_option + row.arguments, &output, row.before + "timeout 60 ");
        EXPECT_EQ(status, row.status) << row.what << ": " << output;
        EXPECT_NE(output.find(row.says), std::string::npos) << row.what << ": " << output;
        EXPECT_TRUE(saved_files(home_).empty()) << row.what << ": something was left in the documents folder";
    }
}

// --- Screenshots ---------------------------------------------------------------

TEST_F(AppTest, AScreenshotThatCannotBeWrittenSaysSoLeavesNothingAndFails) {
    std::string output;
    EXPECT_EQ(run_lumo("--headless --frames 3 --home " + home_.string() + " --screenshot /dev/full", &output), 1)
        << output;
    EXPECT_EQ(output.find("written to"), std::string::npos) << output;
    EXPECT_NE(output.find("not written"), std::string::npos) << output;

    // A disk that fills up after 1 KiB: every write is checked, nothing is left behind.
    const auto shot = home_ / "shots" / "out.png";
    std::filesystem::create_directories(shot.parent_path());
    EXPECT_EQ(run_lumo("--headless --frames 3 --home " + home_.string() + " --screenshot " + shot.string(), &output,
                       "trap '' XFSZ; ulimit -f 2; "),
              1)
        << output;
    EXPECT_NE(output.find("not written"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(shot.parent_path())) << "a partial or temporary file was left";
}

TEST_F(AppTest, AScreenshotFramePastTheEndIsRefusedNotDropped) {
    std::string output;
    EXPECT_EQ(run_lumo("--headless --frames 3 --home " + home_.string() +
                           " --screenshot-at 99999:" + (home_ / "late.png").string(),
                       &output),
              2);
    EXPECT_NE(output.find("99999"), std::string::npos) << output;
    // Without --headless the run lasts until the window closes: any frame may come.
    std::vector<const char*> args = {"lumo", "--screenshot-at", "99999:late.png"};
    std::string error;
    EXPECT_TRUE(parse_options(static_cast<int>(args.size()), args.data(), &error)) << error;
}

// --- Pointer and keys ----------------------------------------------------------

TEST_F(AppTest, HugeMouseCoordinatesAreClampedNotConverted) {
    launch();
    // Under UndefinedBehaviorSanitizer a float outside int's range converted to int aborts.
    app().push_mouse(SDL_MOUSEMOTION, 1e30f, 1e30f);
    app().push_mouse(SDL_MOUSEBUTTONDOWN, -3e9f, 240.0f);
    app().push_mouse(SDL_MOUSEBUTTONUP, NAN, NAN);
    app().run_for(0.2);
    EXPECT_EQ(slots_taken(), 0);
}

// A click on Save, then one frame later a click on the dome: before, the
// second press reached ImGui before the first release, and Save was lost.
TEST_F(AppTest, AClickFollowedOneFrameLaterByATapIsNotLost) {
    launch();
    app().run_for(0.2);
    const PanelRect save = app().ui().panel()->rect_of(ControlPanel::save);
    ASSERT_GT(save.width, 0.0f);
    const auto click_now = [&](float x, float y) {
        app().push_mouse(SDL_MOUSEMOTION, x, y);
        app().push_mouse(SDL_MOUSEBUTTONDOWN, x, y);
        app().push_mouse(SDL_MOUSEBUTTONUP, x, y);
    };
    click_now(save.x + save.width / 2, save.y + save.height / 2);
    app().run_for(kFrameInterval);
    click_now(160, 265);
    app().run_for(0.5);
    EXPECT_EQ(saved_files(home_).size(), 1u);
    ASSERT_NE(app().delegate().alert(), nullptr);
    EXPECT_EQ(app().delegate().alert()->title(), "saved");
}

TEST_F(AppTest, TheSameClicksFromAScriptSave) {
    std::ofstream(home_ / "clicks.txt") << "3 click 62 385\n4 click 160 265\n";
    options_.script = (home_ / "clicks.txt").string();
    options_.frames = 20;
    launch();
    EXPECT_EQ(app().run_headless(), 0);
    EXPECT_EQ(saved_files(home_).size(), 1u);
}

TEST_F(AppTest, AQuickEnterClosesTheAlert) {
    launch();
    click_control(ControlPanel::save);
    AlertView* alert = app().delegate().alert();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(alert->isVisible());
    app().push_key(SDLK_RETURN);  // down and up between two frames
    app().run_for(0.2);
    EXPECT_FALSE(alert->isVisible());
}

// --- Tilt and dropped files ---------------------------------------------------

TEST_F(AppTest, AHugeTiltIsClampedAndTheSurfaceStaysFinite) {
    launch();
    app().accelerometer().overrideReading(Acceleration{3e38, -3e38, 3e38});
    app().run_for(2.0);
    EXPECT_LE(std::fabs(view().accel(0)), kMaxTiltG);
    EXPECT_LE(std::fabs(view().accel(1)), kMaxTiltG);
    for (int k = 0; k < kSurfaceFloatCount; ++k) ASSERT_TRUE(std::isfinite(trans().surface_vertices()[k])) << k;
    app().accelerometer().overrideReading(Acceleration{NAN, 0, -1});
    app().run_for(0.5);
    EXPECT_TRUE(std::isfinite(view().accel(0)));
}

TEST_F(AppTest, AScriptedDropTakesTheEventPath) {
    Picture wide(300, 100);
    ASSERT_TRUE(save_png_file(wide, home_ / "wide picture.png"));
    std::ofstream(home_ / "drop.txt") << "2 drop " << (home_ / "wide picture.png").string() << "\n";
    options_.script = (home_ / "drop.txt").string();
    options_.frames = 5;
    launch();
    const auto before = view().picture();
    EXPECT_EQ(app().run_headless(), 0);
    EXPECT_NE(view().picture(), before);
}

}  // namespace
}  // namespace lumo::testing
