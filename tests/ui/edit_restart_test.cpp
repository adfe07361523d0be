// Edit mode across every way the frame timer restarts: menus, the picture
// browser, the saved-file list and focus changes, each driven by clicks, keys
// and window events as a user makes them. The switch says a tenth; the
// simulation must keep to it (the mend in render/frame_loop.cpp).

#include <functional>

#include "support/app_harness.h"
#include "ui/file_list_view_controller.h"

namespace lumo::testing {
namespace {

class EditRestart : public AppTest {
public:
    using AppTest::app;
    using AppTest::click_caption;
    using AppTest::click_control;
    using AppTest::home_;
    using AppTest::view;
    void SetUp() override {
        AppTest::SetUp();
        std::filesystem::create_directories(home_ / "Pictures");
        launch();
        app().ui().image_picker()->setStartFolder(home_ / "Pictures");
        app().run_for(0.2);
    }
    void focus_change() {
        app().push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
        app().run_for(0.5);
        app().push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
        app().run_for(0.1);
    }
    // What the switch promises, checked on the running simulation.
    void expect_edit_step(const char* path) {
        EXPECT_TRUE(view().animating()) << path;
        EXPECT_TRUE(app().ui().edit_switch.isOn()) << path;
        EXPECT_FALSE(app().ui().edit_fix_button.isHidden()) << path;
        EXPECT_EQ(trans().time_interval(), 0.005f) << path;
        EXPECT_EQ(app().run_loop().interval(view().animation_timer()), 0.05) << path;
    }
};

struct RestartPath {
    const char* name;
    std::function<void(EditRestart&)> run;
};
void PrintTo(const RestartPath& path, std::ostream* out) { *out << path.name; }

class EditRestartPaths : public EditRestart, public ::testing::WithParamInterface<RestartPath> {};

TEST_P(EditRestartPaths, KeepTheEditStepWhileTheSwitchIsOn) {
    click_control(ControlPanel::edit);
    ASSERT_EQ(trans().time_interval(), 0.005f);
    GetParam().run(*this);
    expect_edit_step(GetParam().name);
    // The mended state is a working one: switching off gives the full step back.
    click_control(ControlPanel::edit);
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(app().ui().edit_fix_button.isHidden());
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

const RestartPath kPaths[] = {
    {"LoadMenuCancel",
     [](EditRestart& t) {
         t.click_control(ControlPanel::load);
         t.click_caption("Cancel");
     }},
    {"InitializeMenuCancel",
     [](EditRestart& t) {
         t.click_control(ControlPanel::initialize);
         t.click_caption("Cancel");
     }},
    {"InitializeTexutre",
     [](EditRestart& t) {
         t.click_control(ControlPanel::initialize);
         t.click_caption("Texutre");
     }},
    {"PictureBrowserCancel",
     [](EditRestart& t) {
         t.click_control(ControlPanel::load);
         t.click_caption("Texutre");
         t.click_caption("Cancel");
     }},
    {"PictureBrowserPick",
     [](EditRestart& t) {
         ASSERT_TRUE(save_png_file(Picture(40, 40), t.home_ / "Pictures" / "square.png"));
         t.click_control(ControlPanel::load);
         t.click_caption("Texutre");
         ASSERT_TRUE(t.app().ui().image_picker()->enter("square.png"));
         t.click_caption("Use Picture");
         EXPECT_EQ(t.view().picture()->width(), 512);
     }},
    {"SavedListCancel",
     [](EditRestart& t) {
         t.click_control(ControlPanel::load);
         t.click_caption("Texutre and Shape");
         t.click_caption("Cancel");
     }},
    {"FocusChange", [](EditRestart& t) { t.focus_change(); }},
    {"FocusChangeWhileAMenuIsOpen",
     [](EditRestart& t) {
         t.click_control(ControlPanel::load);
         t.focus_change();
         EXPECT_FALSE(t.view().animating());  // the menu still holds the timer
         t.click_caption("Cancel");
     }},
    {"SavingAndItsAlert",
     [](EditRestart& t) {
         t.click_control(ControlPanel::save);
         t.click_caption("OK");
     }},
};

INSTANTIATE_TEST_SUITE_P(EachWay, EditRestartPaths, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<RestartPath>& info) {
                             return std::string(info.param.name);
                         });

// Paths that change the rest shape leave edit mode, as they always did.
TEST_F(EditRestart, InitializeShapeStillLeavesEditMode) {
    click_control(ControlPanel::edit);
    click_control(ControlPanel::initialize);
    click_caption("Shape");
    EXPECT_TRUE(view().animating());
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(app().ui().edit_fix_button.isHidden());
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

TEST_F(EditRestart, ARowOfTheSavedListStillLeavesEditMode) {
    app().delegate().saveShapeAndImage();
    settle();
    app().delegate().alert()->dismiss();
    click_control(ControlPanel::edit);
    click_control(ControlPanel::load);
    click_caption("Texutre and Shape");
    auto* list = app().ui().view_controller()->fileList();
    ASSERT_EQ(list->tableView()->rowCount(), 1);
    list->tableView()->selectRow(0);
    app().run_for(0.1);
    EXPECT_TRUE(view().animating());
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(app().ui().edit_fix_button.isHidden());
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

}  // namespace
}  // namespace lumo::testing
