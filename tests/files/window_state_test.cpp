// The window's place and size kept between runs, and stores that are damaged.

#include "files/window_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

bool same(const std::optional<WindowState>& a, const WindowState& b) {
    return a && a->x == b.x && a->y == b.y && a->width == b.width && a->height == b.height &&
           a->full_screen == b.full_screen;
}

TEST(WindowState, SurvivesARestart) {
    const WindowState rows[] = {
        {120, 80, 640, 960, false},
        {-1800, -200, 400, 600, false},  // on a screen left of and above the main one
        {0, 0, 320, 480, true},
    };
    for (const WindowState& state : rows) {
        TempFolder folder;
        const auto store = folder / "state" / "window";
        std::string error;
        ASSERT_TRUE(write_window_state(store, state, &error)) << error;
        EXPECT_TRUE(same(read_window_state(store), state)) << read_text(store);
    }
}

TEST(WindowState, ADamagedStoreIsNoStateAtAll) {
    const std::string good = "x=10\ny=20\nwidth=300\nheight=450\nfull-screen=no\n";
    struct Row {
        const char* what;
        std::string content;
        bool readable;
    };
    const Row rows[] = {
        {"as written", good, true},
        {"with CRLF, comments and keys of a later version",
         "# c\r\nx=10\r\ny=20\r\ndisplay=2\r\nwidth=300\r\nheight=450\r\nfull-screen=no\r\n", true},
        {"empty", "", false},
        {"a value missing", "x=10\ny=20\nwidth=300\nfull-screen=no\n", false},
        {"not a number", "x=10\ny=20\nwidth=3OO\nheight=450\nfull-screen=no\n", false},
        {"a number with more after it", "x=10\ny=20\nwidth=300px\nheight=450\nfull-screen=no\n", false},
        {"no size", "x=10\ny=20\nwidth=0\nheight=450\nfull-screen=no\n", false},
        {"beyond any desktop", "x=99999999999\ny=20\nwidth=300\nheight=450\nfull-screen=no\n", false},
        {"neither yes nor no", "x=10\ny=20\nwidth=300\nheight=450\nfull-screen=maybe\n", false},
        {"binary", std::string("\x89PNG\r\n\x1a\n") + std::string(40, '\0'), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        write_text(folder / "window", row.content);
        EXPECT_EQ(read_window_state(folder / "window").has_value(), row.readable);
    }
    TempFolder folder;
    EXPECT_FALSE(read_window_state(folder / "missing"));
}

}  // namespace
}  // namespace lumo::testing
