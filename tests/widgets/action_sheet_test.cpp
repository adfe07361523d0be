#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imgui_harness.h"
#include "widgets/action_sheet.h"

namespace lumo {
namespace {

using testing::ImGuiHarness;
using testing::WindowBehind;

struct Press {
    ActionSheet* sheet;
    int index;
    bool visible_then;
};

class RecordingSheetDelegate : public ActionSheetDelegate {
public:
    void actionSheet_clickedButtonAtIndex(ActionSheet* sheet, int index) override {
        presses.push_back({sheet, index, sheet->isVisible()});
        if (then) then(sheet, index);
    }
    std::vector<Press> presses;
    std::function<void(ActionSheet*, int)> then;
};

const std::vector<std::string> kLoadButtons = {"Texutre and Shape", "Texutre", "Cancel"};

class ActionSheetTest : public ::testing::Test {
protected:
    ImGuiHarness ui;
    RecordingSheetDelegate delegate;
    ActionSheet sheet{"Load", &delegate, kLoadButtons};
    WindowBehind behind;
    ImGuiHarness::Ui draw = [this] {
        behind.draw();
        sheet.draw();
    };

    void SetUp() override {
        sheet.showInView();
        ui.frames(2, draw);
    }
};

TEST_F(ActionSheetTest, ShowsTitleAndEveryButtonAsGivenStackedAtTheBottom) {
    EXPECT_TRUE(ui.drew_text("Load"));
    std::vector<testing::DrawnItem> buttons = ui.controls();
    ASSERT_EQ(buttons.size(), 3u);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].caption, kLoadButtons[i]);
        EXPECT_GE(buttons[i].height(), 44.0f);
        EXPECT_GE(buttons[i].width(), 280.0f) << "full width";
        if (i > 0) {
            EXPECT_GT(buttons[i].min.y, buttons[i - 1].max.y - 1.0f) << "stacked in order";
        }
    }
    EXPECT_GT(buttons.back().max.y, 440.0f) << "anchored to the bottom of the screen";
    EXPECT_LT(buttons.back().max.y, 480.0f);
}

TEST_F(ActionSheetTest, ClickReachesDelegateOnceWithItsIndexAfterClosing) {
    ASSERT_TRUE(ui.click_control("Texutre", draw));
    ASSERT_EQ(delegate.presses.size(), 1u);
    EXPECT_EQ(delegate.presses[0].sheet, &sheet);
    EXPECT_EQ(delegate.presses[0].index, 1);
    EXPECT_FALSE(delegate.presses[0].visible_then) << "closed before the delegate hears of it";
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(ImGuiHarness::any_popup_open());

    ui.frames(3, draw);
    EXPECT_EQ(delegate.presses.size(), 1u);
    EXPECT_FALSE(ui.control("Texutre")) << "nothing drawn once closed";
}

TEST_F(ActionSheetTest, EscapePressesTheLastButton) {
    ui.press_key(ImGuiKey_Escape, draw);
    ASSERT_EQ(delegate.presses.size(), 1u);
    EXPECT_EQ(delegate.presses[0].index, 2);
    EXPECT_FALSE(sheet.isVisible());
}

TEST_F(ActionSheetTest, ClicksOutsideReachNothingBehindIt) {
    ui.click(behind.button_centre, draw);
    EXPECT_EQ(behind.presses, 0);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(delegate.presses.empty());

    // The same click once the sheet is gone does press the button.
    sheet.pressButton(2);
    ui.click(behind.button_centre, draw);
    EXPECT_EQ(behind.presses, 1);
}

TEST_F(ActionSheetTest, PressButtonIgnoresBadIndicesAndHiddenSheets) {
    sheet.pressButton(3);
    sheet.pressButton(-1);
    EXPECT_TRUE(delegate.presses.empty());
    EXPECT_TRUE(sheet.isVisible());
    sheet.pressButton(0);
    sheet.pressButton(0);
    ASSERT_EQ(delegate.presses.size(), 1u);
    EXPECT_EQ(delegate.presses[0].index, 0);
}

TEST_F(ActionSheetTest, CanBeShownAgainAfterClosing) {
    ASSERT_TRUE(ui.click_control("Cancel", draw));
    sheet.showInView();
    ui.frames(2, draw);
    ASSERT_TRUE(ui.click_control("Texutre and Shape", draw));
    ASSERT_EQ(delegate.presses.size(), 2u);
    EXPECT_EQ(delegate.presses[1].index, 0);
}

// The load menu's "Texutre" opens the texture menu from inside the callback.
TEST(ActionSheetChain, SheetShownFromAButtonOfAnotherAppearsAndWorks) {
    ImGuiHarness ui;
    RecordingSheetDelegate delegate;
    auto first = std::make_unique<ActionSheet>("Load", &delegate, kLoadButtons);
    std::unique_ptr<ActionSheet> second;
    delegate.then = [&](ActionSheet* sheet, int) {
        if (sheet == first.get()) {
            second = std::make_unique<ActionSheet>("Change Texture", &delegate,
                                                   std::vector<std::string>{"Photos Library", "Camera", "Cancel"});
            second->showInView();
            first.reset();  // the program may drop the pressed sheet at once
        }
    };
    const ImGuiHarness::Ui draw = [&] {
        if (first) first->draw();
        if (second) second->draw();
    };
    first->showInView();
    ui.frames(2, draw);
    ASSERT_TRUE(ui.click_control("Texutre", draw));
    ui.frames(2, draw);
    EXPECT_TRUE(ui.drew_text("Change Texture"));
    ASSERT_TRUE(ui.click_control("Photos Library", draw));
    ASSERT_EQ(delegate.presses.size(), 2u);
    EXPECT_EQ(delegate.presses[1].sheet, second.get());
    EXPECT_EQ(delegate.presses[1].index, 0);
}

TEST(ActionSheetEdges, CaptionsAreShownExactlyEvenWithImGuiMarkup) {
    ImGuiHarness ui;
    RecordingSheetDelegate delegate;
    ActionSheet sheet("50% ##off", &delegate, {"A##B", "%s %d", "Cancel"});
    const ImGuiHarness::Ui draw = [&] { sheet.draw(); };
    sheet.showInView();
    ui.frames(2, draw);
    EXPECT_TRUE(ui.drew_text("50% ##off"));
    ASSERT_TRUE(ui.click_control("A##B", draw));
    ASSERT_EQ(delegate.presses.size(), 1u);
    EXPECT_EQ(delegate.presses[0].index, 0);
}

TEST(ActionSheetEdges, DestroyingAnOpenSheetFreesTheScreen) {
    ImGuiHarness ui;
    RecordingSheetDelegate delegate;
    WindowBehind behind;
    auto sheet = std::make_unique<ActionSheet>("initialize", &delegate, std::vector<std::string>{"Cancel"});
    const ImGuiHarness::Ui draw = [&] {
        behind.draw();
        if (sheet) sheet->draw();
    };
    sheet->showInView();
    ui.frames(2, draw);
    sheet.reset();
    ui.click(behind.button_centre, draw);
    EXPECT_EQ(behind.presses, 1);
}

}  // namespace
}  // namespace lumo
