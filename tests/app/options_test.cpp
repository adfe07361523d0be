// The command line.

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "app/options.h"
#include "app/script.h"

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
    // An empty name is no name: not "not given", not the working folder.
    EXPECT_FALSE(parse({"--record", "clip.webm"}, &error));
    EXPECT_EQ(error, "--record takes a file ending in .mp4 or .gif, not \"clip.webm\"");
    for (const char* option : {"--home", "--screenshot", "--script", "--record"}) {
        EXPECT_FALSE(parse({option, ""}, &error)) << option;
        EXPECT_EQ(error, std::string(option) + " needs a file or folder name, not an empty one");
    }
}

TEST(Options, HelpAndVersion) {
    std::string error;
    const auto version = parse({"--version"}, &error);
    ASSERT_TRUE(version) << error;
    EXPECT_TRUE(version->version);
    EXPECT_FALSE(version->help);
    EXPECT_EQ(std::string(version_text()), "lumo " LUMO_VERSION "\n");
    const auto help = parse({"-h"}, &error);
    ASSERT_TRUE(help) << error;
    EXPECT_TRUE(help->help);
    EXPECT_FALSE(help->version);
}

// Each option line of the usage text names an option the parser takes, with
// a value when the line shows one; nothing the parser takes is missing.
TEST(Options, UsageTextListsWhatTheParserTakes) {
    std::istringstream usage(usage_text());
    std::string line;
    std::getline(usage, line);
    EXPECT_EQ(line.rfind("usage: lumo ", 0), 0u) << line;
    std::set<std::string> listed;
    // The options, up to the blank line before the script's commands.
    while (std::getline(usage, line) && !line.empty()) {
        SCOPED_TRACE(line);
        std::istringstream words(line);
        std::string name, value;
        words >> name >> value;
        if (name == "FILE" || line.starts_with("     ")) continue;  // a line carried on
        ASSERT_EQ(name.rfind("--", 0), 0u);
        listed.insert(name);
        const bool takes_value = !value.empty() && std::isupper(static_cast<unsigned char>(value[0]));
        std::string error;
        std::vector<const char*> args{name.c_str()};
        if (takes_value)
            args.push_back(name == "--screenshot-at" ? "1:a.png"
                           : name == "--size"        ? "320x480"
                           : name == "--record"      ? "a.gif"
                                                     : "1");
        EXPECT_TRUE(parse(args, &error)) << error;
        if (takes_value) {
            EXPECT_FALSE(parse({name.c_str()}, &error));
            EXPECT_EQ(error, name + " needs a value");
        }
    }
    EXPECT_EQ(listed, (std::set<std::string>{"--headless", "--frames", "--screenshot", "--screenshot-at", "--script",
                                             "--record", "--home", "--size", "--pixel-ratio", "--help", "--version"}));
    // Complete on its own for an installed program: no README to turn to,
    // and every control a script may press is named.
    const std::string text = usage_text();
    EXPECT_EQ(text.find("README"), std::string::npos);
    for (const char* control : kScriptControlNames) EXPECT_NE(text.find(control), std::string::npos) << control;
}

}  // namespace
}  // namespace lumo::testing
