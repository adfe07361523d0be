// The command line.

#include <gtest/gtest.h>

#include "app/options.h"

namespace lumo::testing {
namespace {

std::optional<AppOptions> parse(std::vector<const char*> args, std::string* error) {
    args.insert(args.begin(), "lumo");
    return parse_options(static_cast<int>(args.size()), args.data(), error);
}

TEST(Options, HeadlessRunWithScreenshots) {
    std::string error;
    const auto o = parse({"--headless", "--frames", "30", "--screenshot", "a.png", "--screenshot-at", "5:b.png",
                          "--screenshot-at", "7:c:d.png", "--home", "/tmp/h", "--script", "s.txt", "x.lumo"},
                         &error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->headless);
    EXPECT_EQ(o->frames, 30);
    EXPECT_EQ(o->screenshot, "a.png");
    ASSERT_EQ(o->screenshots_at.size(), 2u);
    EXPECT_EQ(o->screenshots_at[1], std::make_pair(7, std::string("c:d.png")));
    EXPECT_EQ(o->home, "/tmp/h");
    EXPECT_EQ(o->script, "s.txt");
    EXPECT_EQ(o->files, std::vector<std::string>{"x.lumo"});
}

TEST(Options, WindowSizeAndPixelRatio) {
    std::string error;
    const auto defaults = parse({}, &error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->window_width, 0) << "0: to suit the screen";
    EXPECT_EQ(defaults->pixel_ratio, 1);
    const auto o = parse({"--size", "640x960", "--pixel-ratio", "2"}, &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->window_width, 640);
    EXPECT_EQ(o->window_height, 960);
    EXPECT_EQ(o->pixel_ratio, 2);
    for (const char* bad : {"640", "640x", "x960", "100x100", "640x960x2", "big"}) {
        EXPECT_FALSE(parse({"--size", bad}, &error)) << bad;
        EXPECT_NE(error.find("--size"), std::string::npos) << error;
    }
    for (const char* bad : {"0", "5", "1.5"}) EXPECT_FALSE(parse({"--pixel-ratio", bad}, &error)) << bad;
}

TEST(Options, RefusesWhatMakesNoSense) {
    std::string error;
    EXPECT_FALSE(parse({"--frames"}, &error));
    EXPECT_EQ(error, "--frames needs a value");
    EXPECT_FALSE(parse({"--frames", "ten"}, &error));
    EXPECT_FALSE(parse({"--frames", "-3"}, &error));
    EXPECT_FALSE(parse({"--screenshot-at", "5"}, &error));
    EXPECT_FALSE(parse({"--screenshot-at", "x:a.png"}, &error));
    EXPECT_FALSE(parse({"--screenshot-at", "5:"}, &error));
    EXPECT_FALSE(parse({"--fullscreen"}, &error));
    EXPECT_EQ(error, "unknown option --fullscreen");
}

}  // namespace
}  // namespace lumo::testing
