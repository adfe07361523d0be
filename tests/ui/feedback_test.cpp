// What the user is told: where a save went or why it failed, and why a
// dropped file or one named on the command line could not be opened; read
// off the texts as the widgets draw them in the offscreen window.

#include <fstream>

#include "support/app_harness.h"

namespace lumo::testing {
namespace {

class Feedback : public AppTest {
protected:
    AlertView* notice() { return app().ui().panel()->notice(); }
    // Drawn since the last drawn_.forget().
    bool shown(const std::string& text) const { return drawn_.drew_text(text); }
};

TEST_F(Feedback, ASavedShapeSaysWhereItWentInASmallerLine) {
    launch();
    app().run_for(0.2);
    click_control(ControlPanel::save);
    AlertView* alert = app().delegate().alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "saved");
    EXPECT_EQ(alert->message(), "Shape and Texutre have been saved");
    const std::filesystem::path where = alert->detail();
    EXPECT_EQ(where.parent_path(), app().delegate().documents());
    EXPECT_TRUE(std::filesystem::is_regular_file(where));
    drawn_.forget();
    app().run_for(0.2);
    ASSERT_TRUE(shown(alert->message()));
    ASSERT_TRUE(shown(alert->detail()));
    // One line of the message against the smaller lines of the (possibly wrapped) path.
    const float line = drawn_.text(alert->message())->height();
    const float path_lines = drawn_.text(alert->detail())->height();
    const float per_line = path_lines / std::max(1.0f, std::round(path_lines / (line * 0.85f)));
    EXPECT_LT(per_line, line * 0.95f);
}

TEST_F(Feedback, AFailedSaveShowsItsReason) {
    std::ofstream(home_ / "Documents") << "in the way";
    launch();
    app().run_for(0.2);
    click_control(ControlPanel::save);
    AlertView* alert = app().delegate().alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "save failed");
    EXPECT_EQ(alert->message(), "Shape and Texutre have NOT been saved");
    EXPECT_NE(alert->detail().find("Documents"), std::string::npos) << alert->detail();
    drawn_.forget();
    app().run_for(0.2);
    EXPECT_TRUE(shown(alert->detail()));
    EXPECT_TRUE(std::filesystem::is_regular_file(home_ / "Documents"));  // nothing lost
}

// In a user's words: the file named once, what is wrong with it, and no
// decoder's or library's own message.
TEST_F(Feedback, ADroppedFileThatCannotBeOpenedIsShownWithItsReason) {
    launch();
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } rows[] = {
        {"notes.png", "not a picture", "not a picture lumo can open"},
        {"broken.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01", 13),
         "not a picture lumo can open (a damaged JPEG picture)"},
        {"cut.png", std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x10\x00\x00\x00\x10", 24),
         "a damaged PNG picture"},
    };
    for (const auto& row : rows) {
        if (notice() != nullptr) notice()->dismiss();
        std::ofstream(home_ / row.name, std::ios::binary) << row.bytes;
        drop(home_ / row.name);
        app().run_for(0.2);
        ASSERT_NE(notice(), nullptr);
        EXPECT_TRUE(notice()->isVisible());
        EXPECT_EQ(notice()->title(), "Cannot Open");
        const std::string& message = notice()->message();
        EXPECT_NE(message.find(row.name), std::string::npos) << message;
        EXPECT_EQ(message.find(row.name), message.rfind(row.name)) << "named twice: " << message;
        EXPECT_NE(message.find(row.says), std::string::npos) << message;
        for (const char* library : {"SDL", "libjpeg", "libpng", "header", "IMG_"})
            EXPECT_EQ(message.find(library), std::string::npos) << message;
        EXPECT_TRUE(shown(message));
    }
}

TEST_F(Feedback, ADroppedShapeFileThatIsBrokenIsShownToo) {
    launch();
    std::ofstream(home_ / "broken.lumo") << "<plist>half";
    const auto surface = trans().rest_shape();
    drop(home_ / "broken.lumo");
    ASSERT_NE(notice(), nullptr);
    EXPECT_EQ(notice()->title(), "Cannot Open");
    EXPECT_FALSE(notice()->message().empty());
    EXPECT_EQ(trans().rest_shape(), surface);
}

TEST_F(Feedback, MissingFilesOnTheCommandLineAreShownTogether) {
    options_.files = {(home_ / "missing.lumo").string(), (home_ / "gone.jpg").string()};
    launch();
    app().run_for(0.2);
    ASSERT_NE(notice(), nullptr);
    EXPECT_TRUE(notice()->isVisible());
    EXPECT_EQ(notice()->title(), "Cannot Open");
    EXPECT_NE(notice()->message().find("missing.lumo"), std::string::npos);
    EXPECT_NE(notice()->message().find("gone.jpg"), std::string::npos);
    EXPECT_TRUE(shown(notice()->message()));
    // OK closes it and the program carries on as launched.
    click_caption("OK");
    EXPECT_FALSE(notice()->isVisible());
    EXPECT_TRUE(view().animating());
}

}  // namespace
}  // namespace lumo::testing
