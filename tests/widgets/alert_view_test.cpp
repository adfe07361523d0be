#include <gtest/gtest.h>

#include "imgui_harness.h"
#include "widgets/alert_view.h"

namespace lumo {
namespace {

using testing::ImGuiHarness;
using testing::WindowBehind;

class AlertViewTest : public ::testing::Test {
protected:
    ImGuiHarness ui;
    AlertView alert{"saved", "Shape and Texutre have been saved", "OK"};
    WindowBehind behind;
    ImGuiHarness::Ui draw = [this] {
        behind.draw();
        alert.draw();
    };

    void SetUp() override {
        alert.show();
        ui.frames(2, draw);
    }
};

TEST_F(AlertViewTest, ShowsTitleMessageAndOneButtonInTheMiddle) {
    EXPECT_TRUE(ui.drew_text("saved"));
    EXPECT_TRUE(ui.drew_text("Shape and Texutre have been saved"));
    ASSERT_EQ(ui.controls().size(), 1u);
    const testing::DrawnItem button = *ui.control("OK");
    EXPECT_GE(button.height(), 44.0f);
    EXPECT_NEAR(button.centre().x, 160.0f, 1.0f);
    EXPECT_GT(button.min.y, 150.0f);
    EXPECT_LT(button.max.y, 330.0f);
}

TEST_F(AlertViewTest, ItsButtonClosesIt) {
    ASSERT_TRUE(ui.click_control("OK", draw));
    EXPECT_FALSE(alert.isVisible());
    EXPECT_FALSE(ImGuiHarness::any_popup_open()) << "closed at once, not left for ImGui to drop";
    ui.frame(draw);
    EXPECT_FALSE(ui.control("OK"));
}

TEST_F(AlertViewTest, EnterOrEscapeCloseIt) {
    ui.press_key(ImGuiKey_Enter, draw);
    EXPECT_FALSE(alert.isVisible());
    alert.show();
    ui.frames(2, draw);
    ui.press_key(ImGuiKey_Escape, draw);
    EXPECT_FALSE(alert.isVisible());
}

TEST_F(AlertViewTest, ClicksOutsideNeitherCloseItNorReachWhatIsBehind) {
    ui.click(behind.button_centre, draw);
    ui.click(ImVec2(10.0f, 470.0f), draw);
    EXPECT_TRUE(alert.isVisible());
    EXPECT_EQ(behind.presses, 0);
}

TEST_F(AlertViewTest, DismissedWhileNotDrawnAnyMoreItStopsBlocking) {
    alert.dismiss();
    // The program may stop drawing a widget once it is dismissed.
    const ImGuiHarness::Ui only_behind = [this] { behind.draw(); };
    ui.click(behind.button_centre, only_behind);
    EXPECT_EQ(behind.presses, 1);
}

// Only one modal shows at a time; a second one waits for the first to close.
TEST(ModalTurns, TwoWidgetsShownAtOnceTakeTurns) {
    ImGuiHarness ui;
    AlertView first("saved", "one", "OK");
    AlertView second("save failed", "two", "Fine");
    const ImGuiHarness::Ui draw = [&] {
        first.draw();
        second.draw();
    };
    first.show();
    second.show();
    ui.frames(2, draw);
    EXPECT_TRUE(ui.control("OK"));
    EXPECT_FALSE(ui.control("Fine"));
    ASSERT_TRUE(ui.click_control("OK", draw));
    ui.frames(2, draw);
    EXPECT_TRUE(second.isVisible());
    ASSERT_TRUE(ui.click_control("Fine", draw));
    EXPECT_FALSE(second.isVisible());
}

}  // namespace
}  // namespace lumo
