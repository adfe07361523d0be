#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imgui_harness.h"
#include "widgets/table_view.h"

namespace lumo {
namespace {

using testing::ImGuiHarness;
using testing::WindowBehind;

class FileList : public TableViewDataSource, public TableViewDelegate {
public:
    int numberOfSectionsInTableView(TableView*) override { return 1; }
    int tableView_numberOfRowsInSection(TableView*, int) override { return static_cast<int>(stems.size()); }
    std::string tableView_cellForRowAtIndexPath(TableView*, int, int row) override {
        return stems[static_cast<std::size_t>(row)];
    }
    void tableView_didSelectRowAtIndexPath(TableView*, int section, int row) override {
        selections.push_back(row);
        sections.push_back(section);
    }
    void cancelButtonPressed(TableView*) override { ++cancels; }
    bool tableView_canEditRows(TableView*) override { return editable; }
    void tableView_didPressAction(TableView*, int action, int row) override { actions.push_back({action, row}); }
    void tableView_commitDeleteRowAtIndexPath(TableView*, int, int row) override { deletions.push_back(row); }

    bool editable = false;
    std::vector<std::pair<int, int>> actions;  // (action, row)
    std::vector<int> deletions;
    std::vector<std::string> stems;
    std::vector<int> selections;
    std::vector<int> sections;
    int cancels = 0;
};

class TableViewTest : public ::testing::Test {
protected:
    ImGuiHarness ui;
    FileList list;
    TableView table{"Saved Shapes", "Cancel", "No saved shapes"};
    WindowBehind behind;
    ImGuiHarness::Ui draw = [this] {
        behind.draw();
        table.draw();
    };

    void SetUp() override {
        table.setDataSource(&list);
        table.setDelegate(&list);
    }
    void show() {
        table.present();
        ui.frames(2, draw);
    }
};

TEST_F(TableViewTest, RowsComeFromTheDataSourceWhenReloaded) {
    list.stems = {"2024_01_02_10_00_00", "2023_12_31_23_59_59"};
    EXPECT_EQ(table.rowCount(), 0) << "nothing asked before a reload";
    table.reloadData();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.rowText(1), "2023_12_31_23_59_59");
    list.stems.push_back("later");
    EXPECT_EQ(table.rowCount(), 2);
    table.present();
    EXPECT_EQ(table.rowCount(), 3) << "presenting reloads";
}

TEST_F(TableViewTest, SelectingRowKReportsKAndLeavesClosingToTheDelegate) {
    list.stems = {"a", "b", "c"};
    show();
    const std::optional<testing::DrawnItem> row = ui.control("b");
    ASSERT_TRUE(row);
    EXPECT_GE(row->height(), 44.0f);
    ASSERT_TRUE(ui.click_control("b", draw));
    EXPECT_EQ(list.selections, std::vector<int>{1});
    EXPECT_EQ(list.sections, std::vector<int>{0});
    EXPECT_EQ(list.cancels, 0);
    EXPECT_TRUE(table.isVisible());
    table.dismiss();
    EXPECT_FALSE(ImGuiHarness::any_popup_open());
    ui.frame(draw);
    EXPECT_FALSE(ui.control("b"));
}

TEST_F(TableViewTest, CancelControlReportsCancel) {
    list.stems = {"a"};
    show();
    ASSERT_TRUE(ui.drew_text("Saved Shapes"));
    ASSERT_TRUE(ui.click_control("Cancel", draw));
    EXPECT_EQ(list.cancels, 1);
    EXPECT_TRUE(list.selections.empty());
    ui.press_key(ImGuiKey_Escape, draw);
    EXPECT_EQ(list.cancels, 2);
}

// Import under the rows is there with no rows at all; Export shows on every
// row once Edit is pressed, and reports which row without selecting it.
TEST_F(TableViewTest, ListAndRowActionsReportTheirRow) {
    list.editable = true;
    table.setListActions({"Import"});
    table.setRowActions({"Export"});
    show();
    ASSERT_TRUE(ui.click_control("Import", draw));
    EXPECT_EQ(list.actions, (std::vector<std::pair<int, int>>{{0, -1}}));

    list.stems = {"a", "b", "c"};
    table.reloadData();
    ui.frame(draw);
    EXPECT_FALSE(ui.control("Export")) << "only while editing";
    ASSERT_TRUE(ui.click_control("Edit", draw));
    int exports = 0;
    std::optional<testing::DrawnItem> second_export;
    for (const testing::DrawnItem& item : ui.controls())
        if (item.caption == "Export" && ++exports == 2) second_export = item;
    ASSERT_EQ(exports, 3);
    ASSERT_TRUE(second_export);
    EXPECT_GE(second_export->height(), 44.0f);
    ui.click(second_export->centre(), draw);
    EXPECT_EQ(list.actions, (std::vector<std::pair<int, int>>{{0, -1}, {0, 1}}));
    EXPECT_TRUE(list.selections.empty());
    EXPECT_TRUE(ui.control("Import")) << "the list's own controls stay while editing";
    table.pressAction(1, 0);  // no second row action
    table.pressAction(0, 3);  // no such row
    EXPECT_EQ(list.actions.size(), 2u);
}

// A deletion asked about again in other words (no trash for the file):
// the question and its button as given, Keep the safe answer under the ring.
TEST_F(TableViewTest, ADeletionAskedAgainInOtherWordsWaitsForItsOwnButton) {
    list.editable = true;
    list.stems = {"a", "b"};
    show();
    table.confirmDeletion(1, "There is no Trash for b here. Delete it for good?", "Delete for Good");
    ui.frames(2, draw);
    EXPECT_TRUE(ui.drew_text("There is no Trash for b here. Delete it for good?"));
    ASSERT_TRUE(ui.control("Keep"));
    EXPECT_TRUE(ui.control("Keep")->focused) << "Enter keeps the file";
    ASSERT_TRUE(ui.click_control("Delete for Good", draw));
    EXPECT_EQ(list.deletions, std::vector<int>{1});
    EXPECT_EQ(table.rowAwaitingDeletion(), -1);
}

TEST_F(TableViewTest, EmptyListShowsTheHintAndOnlyCancel) {
    show();
    EXPECT_TRUE(ui.drew_text("No saved shapes"));
    ASSERT_EQ(ui.controls().size(), 1u);
    EXPECT_EQ(ui.controls()[0].caption, "Cancel");
}

TEST_F(TableViewTest, CoversTheScreenSoNothingBehindIsReached) {
    list.stems = {"a"};
    show();
    ui.click(behind.button_centre, draw);
    EXPECT_EQ(behind.presses, 0);
}

TEST_F(TableViewTest, LongListsDrawOnlyWhatFitsAndStillSelect) {
    for (int i = 0; i < 500; ++i) list.stems.push_back("shape " + std::to_string(i));
    show();
    const std::size_t drawn = ui.controls().size();
    EXPECT_GT(drawn, 5u);
    EXPECT_LT(drawn, 20u);
    ASSERT_TRUE(ui.click_control("shape 3", draw));
    EXPECT_EQ(list.selections, std::vector<int>{3});
}

TEST_F(TableViewTest, HiddenTableTellsNothing) {
    list.stems = {"a"};
    table.reloadData();
    table.selectRow(0);
    table.pressCancel();
    show();
    table.selectRow(1);
    table.selectRow(-1);
    EXPECT_TRUE(list.selections.empty());
    EXPECT_EQ(list.cancels, 0);
}

TEST(TableViewSource, NoSectionsMeansNoRows) {
    struct NoSections : FileList {
        int numberOfSectionsInTableView(TableView*) override { return 0; }
    } source;
    source.stems = {"a"};
    TableView table("Saved Shapes", "Cancel");
    table.setDataSource(&source);
    table.reloadData();
    EXPECT_EQ(table.rowCount(), 0);
}

}  // namespace
}  // namespace lumo
