// The saved-file list as a user meets it: dates people read, a thumbnail of
// each shape's picture read off the window's pixels, and deleting a row,
// which takes Edit, Delete and a confirmation.

#include <fstream>

#include "files/file_io.h"
#include "support/app_harness.h"
#include "ui/file_list_view_controller.h"
#include "shape/shape_names.h"
#include "shape/shape_file.h"
#include "support/solid_picture.h"

namespace lumo::testing {
namespace {

TEST(ShapeDates, StampsReadAsCalendarDates) {
    namespace chr = std::chrono;
    const auto at = [](int year, unsigned month, unsigned day) {
        return chr::local_days{chr::year{year} / chr::month{month} / chr::day{day}} + chr::hours{12};
    };
    const struct {
        const char* stem;
        std::optional<chr::local_seconds> written;
        const char* readable;
    } rows[] = {
        {"2026_12_07_20_38_27", std::nullopt, "7 Dec 2026, 20:38:27"},
        {"2026_01_05_00_00_09", std::nullopt, "5 Jan 2026, 00:00:09"},
        {"2026_12_07_20_38_27-2", std::nullopt, "7 Dec 2026, 20:38:27 (2)"},
        {"2026_12_07_20_38_27-17", std::nullopt, "7 Dec 2026, 20:38:27 (17)"},
        // Stamps are calendar dates, also where the week-based year differs.
        {"2027_01_01_12_30_00", std::nullopt, "1 Jan 2027, 12:30:00"},
        {"2025_12_30_08_00_00", std::nullopt, "30 Dec 2025, 08:00:00"},
        // Saved before with the week-based year: 30 Dec 2024 lies in week 1
        // of 2025, 1 Jan 2027 in week 53 of 2026; the file's time tells.
        {"2025_12_30_08_00_00", at(2024, 12, 30), "30 Dec 2024, 08:00:00"},
        {"2026_01_01_12_30_00", at(2027, 1, 1), "1 Jan 2027, 12:30:00"},
        {"2026_01_01_12_30_00", at(2026, 1, 1), "1 Jan 2026, 12:30:00"},
        // Days that have one reading only, whatever the file's time.
        {"2026_12_07_20_38_27", at(2030, 6, 1), "7 Dec 2026, 20:38:27"},
        {"2026_01_05_00_00_09", at(2027, 1, 5), "5 Jan 2026, 00:00:09"},
    };
    for (const auto& row : rows) EXPECT_EQ(readable_shape_date(row.stem, row.written), row.readable) << row.stem;
}

TEST(ShapeDates, AnythingElseIsShownAsItIs) {
    for (const char* stem :
         {"x.y", "", "2026_12_07_20_38_2", "2026-12-07-20-38-27", "2026_13_07_20_38_27", "2026_02_30_20_38_27",
          "2026_12_07_24_38_27", "2026_12_07_2a_38_27", "2026_12_07_20_38_271", "2026_12_07_20_38_27-1",
          "2026_12_07_20_38_27-02", "2026_12_07_20_38_27-", "2026_12_07_20_38_27_2", "2026_12_07_20_38_27-2x"})
        EXPECT_EQ(readable_shape_date(stem), stem) << stem;
}

class SavedList : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
        std::filesystem::create_directories(documents());
    }
    std::filesystem::path documents() { return app().delegate().documents(); }
    fileListViewController& list() { return *app().ui().view_controller()->fileList(); }
    // A shape file whose picture is one colour.
    void save_as(const std::string& stem, uint8_t r, uint8_t g, uint8_t b) {
        const std::vector<float> shape(trans().rest_shape().begin(), trans().rest_shape().end());
        std::string error;
        ASSERT_TRUE(write_shape_file(shape_file_path(documents(), stem), shape,
                                     encode_png(solid_picture(32, 32, {r, g, b, 255})), &error))
            << error;
    }
    void open_list() {
        click_control(ControlPanel::load);
        click_caption("Texutre and Shape");
        ASSERT_TRUE(list().tableView()->isVisible());
    }
};

TEST_F(SavedList, RowsShowDatesAndLoadTheirOwnFile) {
    save_as("2026_12_07_20_38_27", 200, 0, 0);
    save_as("2026_12_08_09_05_00", 0, 200, 0);
    open_list();
    ASSERT_EQ(list().tableView()->rowCount(), 2);
    EXPECT_EQ(list().tableView()->rowText(0), "8 Dec 2026, 09:05:00");
    EXPECT_EQ(list().tableView()->rowText(1), "7 Dec 2026, 20:38:27");
    click_caption("7 Dec 2026, 20:38:27");
    EXPECT_FALSE(list().tableView()->isVisible());
    ASSERT_NE(view().picture(), nullptr);
    EXPECT_EQ(view().picture()->pixel(16, 16)[0], 200);  // the red one: the stem is still the file
    EXPECT_EQ(view().picture()->pixel(16, 16)[1], 0);
}

TEST_F(SavedList, EachRowShowsAThumbnailOfItsPictureDecodedOnce) {
    save_as("2026_12_07_20_38_27", 230, 20, 20);
    save_as("2026_12_08_09_05_00", 20, 20, 230);
    std::ofstream(documents() / "2026_12_09_10_00_00.lumo") << "not a shape file";
    open_list();
    app().run_for(1.0);  // many frames of the list
    EXPECT_EQ(list().thumbnails_decoded(), 3);
    const Picture window = window_picture();
    ASSERT_FALSE(window.empty());
    int seen = 0;
    for (const auto& [caption, red] :
         {std::pair{"7 Dec 2026, 20:38:27", true}, std::pair{"8 Dec 2026, 09:05:00", false}}) {
        const auto row = drawn_control(caption);
        ASSERT_TRUE(row);
        // The thumbnail sits at the row's left edge, before the text.
        const int x = static_cast<int>(row->centre().x) - window.width() / 2 + 38,
                  y = static_cast<int>(row->centre().y);
        ASSERT_TRUE(x >= 0 && x < window.width() && y >= 0 && y < window.height()) << caption;
        const uint8_t* p = window.pixel(x, y);
        EXPECT_GT(red ? p[0] : p[2], 150) << caption;
        EXPECT_LT(red ? p[2] : p[0], 80) << caption;
        ++seen;
    }
    EXPECT_EQ(seen, 2);
    // The broken file's row is still there, without a picture.
    EXPECT_EQ(list().tableView()->rowText(0), "9 Dec 2026, 10:00:00");
    // Presented again: read afresh.
    click_caption("Cancel");
    open_list();
    app().run_for(0.3);
    EXPECT_EQ(list().thumbnails_decoded(), 6);
}

TEST_F(SavedList, DeletingTakesEditDeleteAndAConfirmation) {
    save_as("2026_12_07_20_38_27", 200, 0, 0);
    save_as("2026_12_08_09_05_00", 0, 200, 0);
    const auto older = shape_file_path(documents(), "2026_12_07_20_38_27");
    open_list();
    EXPECT_FALSE(drawn_control("Delete"));  // nothing to delete with until Edit
    click_caption("Edit");
    EXPECT_TRUE(list().tableView()->isEditing());
    // In edit mode a click on a row loads nothing.
    const auto picture = view().picture();
    click_caption("7 Dec 2026, 20:38:27");
    EXPECT_TRUE(list().tableView()->isVisible());
    EXPECT_EQ(view().picture(), picture);

    // The second row's Delete: the lower of the two buttons.
    ASSERT_TRUE(drawn_control("Delete"));
    const std::vector<DrawnItem> deletes = drawn_.controls("Delete");
    const auto lower = [](const DrawnItem& a, const DrawnItem& b) { return a.centre().y < b.centre().y; };
    const ImVec2 first = std::min_element(deletes.begin(), deletes.end(), lower)->centre();
    const ImVec2 second = std::max_element(deletes.begin(), deletes.end(), lower)->centre();
    ASSERT_GT(second.y, first.y) << "a Delete on each row";
    click_in_window(second);
    EXPECT_EQ(list().tableView()->rowAwaitingDeletion(), 1);
    EXPECT_TRUE(std::filesystem::exists(older));  // not yet

    click_caption("Keep");
    EXPECT_EQ(list().tableView()->rowAwaitingDeletion(), -1);
    EXPECT_TRUE(std::filesystem::exists(older));

    click_in_window(second);
    click_caption("Yes, delete");
    EXPECT_FALSE(std::filesystem::exists(older));
    // Into the desktop's trash ($XDG_DATA_HOME/Trash), with the record the
    // file manager restores it by.
    const std::filesystem::path trash = scratch_.path() / "data" / "Trash";
    EXPECT_TRUE(std::filesystem::is_regular_file(trash / "files" / older.filename()));
    std::string error;
    const auto record = read_whole_file(trash / "info" / (older.filename().string() + ".trashinfo"), 4096, &error);
    ASSERT_TRUE(record) << error;
    EXPECT_NE(std::string(record->begin(), record->end()).find("Path=" + older.string() + "\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(shape_file_path(documents(), "2026_12_08_09_05_00")));
    EXPECT_EQ(list().tableView()->rowCount(), 1);
    EXPECT_EQ(list().fileList, std::vector<std::string>{"2026_12_08_09_05_00"});
    EXPECT_TRUE(list().tableView()->isVisible());
    EXPECT_EQ(list().tableView()->statusText(), "Moved 7 Dec 2026, 20:38:27 to the Trash");
    // Cancel still leads back to the running surface.
    click_caption("Cancel");
    EXPECT_FALSE(list().tableView()->isVisible());
    EXPECT_TRUE(view().animating());
}

// Where the host has no trash (the browser): Undo under the status for a
// few seconds, which stores the very bytes again.
TEST_F(SavedList, WithoutATrashADeletionCanBeUndoneForAFewSeconds) {
    save_as("2026_12_07_20_38_27", 200, 0, 0);
    const auto file = shape_file_path(documents(), "2026_12_07_20_38_27");
    std::string error;
    const auto bytes = read_whole_file(file, 1 << 26, &error);
    list().set_undoes_deletions(true);
    open_list();
    click_caption("Edit");
    for (const bool undone : {true, false}) {
        click_caption("Delete");
        click_caption("Yes, delete");
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_EQ(list().tableView()->statusText(), "Deleted 7 Dec 2026, 20:38:27");
        if (undone) click_caption("Undo");
        else app().run_for(9.0);
        EXPECT_EQ(read_whole_file(file, 1 << 26, &error), undone ? bytes : std::nullopt);
        EXPECT_EQ(list().tableView()->rowCount(), undone ? 1 : 0);
        EXPECT_FALSE(drawn_control("Undo")) << "offered once, for a few seconds";
    }
}

TEST_F(SavedList, AFailedDeletionSaysWhyAndKeepsTheRow) {
    // A folder named like a shape file, with something inside: it cannot be removed.
    std::filesystem::create_directories(documents() / "2026_12_07_20_38_27.lumo" / "inside");
    open_list();
    ASSERT_EQ(list().tableView()->rowCount(), 1);
    click_caption("Edit");
    click_caption("Delete");
    click_caption("Yes, delete");
    EXPECT_TRUE(std::filesystem::exists(documents() / "2026_12_07_20_38_27.lumo" / "inside"));
    EXPECT_EQ(list().tableView()->rowCount(), 1);
    EXPECT_NE(list().tableView()->statusText().find("Cannot delete 7 Dec 2026, 20:38:27"), std::string::npos);
}

}  // namespace
}  // namespace lumo::testing
