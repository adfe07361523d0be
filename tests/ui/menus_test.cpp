// The three menus, the picture picker and the frame timer around them,
// driven by clicks in the offscreen window where a user would click.

#include <fstream>

#include "support/app_harness.h"
#include "ui/file_list_view_controller.h"

namespace lumo::testing {
namespace {

class Menus : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
        app().run_for(0.2);
    }
    lumo_view_controller& controller() { return *app().ui().view_controller(); }
};

TEST_F(Menus, CancelInTheLoadMenuLeavesTheSurfaceAnimating) {
    click_control(ControlPanel::load);
    EXPECT_FALSE(view().animating());
    ASSERT_NE(controller()._loadSheet, nullptr);
    EXPECT_TRUE(controller()._loadSheet->isVisible());
    EXPECT_EQ(controller()._loadSheet->title(), "Load");
    EXPECT_EQ(controller()._loadSheet->buttons(), (std::vector<std::string>{"Texutre and Shape", "Texutre", "Cancel"}));
    click_caption("Cancel");
    EXPECT_FALSE(controller()._loadSheet->isVisible());
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

TEST_F(Menus, CancelInTheInitializeMenuLeavesTheSurfaceAnimating) {
    click_control(ControlPanel::initialize);
    EXPECT_FALSE(view().animating());
    ASSERT_NE(controller()._initSheet, nullptr);
    EXPECT_EQ(controller()._initSheet->buttons(), (std::vector<std::string>{"Shape", "Texutre", "Cancel"}));
    click_caption("Cancel");
    EXPECT_TRUE(view().animating());
}

TEST_F(Menus, InitializeShapeResetsTheDomeAndRestartsWithTheNormalStep) {
    app().ui().edit_switch.setOn(true);
    view().setEditMode(&app().ui().edit_switch);
    for (int v = 0; v < kVertexCount; ++v) trans().surface_vertices()[3 * v + 2] *= 0.3f;
    view().surfaceEditFixed();
    app().ui().edit_switch.setOn(true);
    view().setEditMode(&app().ui().edit_switch);
    click_control(ControlPanel::initialize);
    click_caption("Shape");
    EXPECT_EQ(trans().rest_shape()[3 * 1275 + 2], 0.11f);
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(app().ui().edit_fix_button.isHidden());
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(trans().time_interval(), 0.05f);
}

TEST_F(Menus, InitializeTextureBringsBackTheDefaultPictureFitted) {
    view().setTexture(std::make_shared<const Picture>(Picture(10, 20)));
    click_control(ControlPanel::initialize);
    click_caption("Texutre");
    ASSERT_NE(view().picture(), nullptr);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_EQ(view().picture()->height(), 512);
    EXPECT_TRUE(view().animating());
}

TEST_F(Menus, WithoutACameraTexutreOpensThePictureBrowserDirectly) {
    ASSERT_FALSE(ImagePickerController::isSourceTypeAvailable(ImagePickerController::Camera));
    click_control(ControlPanel::load);
    click_caption("Texutre");
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::picker);
    EXPECT_TRUE(app().ui().image_picker()->isVisible());
    EXPECT_EQ(app().ui().image_picker()->sourceType(), ImagePickerController::PhotoLibrary);
    EXPECT_FALSE(view().animating());  // stays stopped until the picker closes
    app().ui().image_picker()->cancel();
    EXPECT_FALSE(app().ui().image_picker()->isVisible());
    EXPECT_TRUE(view().animating());
}

TEST_F(Menus, PickingAPictureFitsItAndRestartsTheTimer) {
    const auto folder = home_ / "Pictures";
    std::filesystem::create_directories(folder);
    Picture wide(200, 100);
    ASSERT_TRUE(save_png_file(wide, folder / "wide.png"));
    app().ui().image_picker()->setStartFolder(folder);
    view().stopAnimation();
    controller().loadTexture();
    ASSERT_TRUE(app().ui().image_picker()->enter("wide.png"));
    ASSERT_TRUE(app().ui().image_picker()->pick());
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::none);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_TRUE(view().animating());
}

TEST_F(Menus, TheTextureMenuDispatchesByIdentity) {
    // Only reachable with a camera; its presses still follow the table.
    view().stopAnimation();
    controller()._textureSheet = std::make_unique<ActionSheet>(
        "Change Texture", &controller(), std::vector<std::string>{"Photos Library", "Camera", "Cancel"});
    ActionSheet* sheet = controller()._textureSheet.get();
    controller().actionSheet_clickedButtonAtIndex(sheet, 2);
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::none);
    view().stopAnimation();
    controller().actionSheet_clickedButtonAtIndex(sheet, 1);  // no camera: restart only
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::none);
    controller().actionSheet_clickedButtonAtIndex(sheet, 0);
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::picker);
    EXPECT_TRUE(view().animating());  // runs behind the picker
    // A sheet that is none of the three is ignored.
    ActionSheet stray("Load", &controller(), {"Texutre and Shape", "Texutre", "Cancel"});
    controller().dismissModalViewControllerAnimated();
    view().stopAnimation();
    controller().actionSheet_clickedButtonAtIndex(&stray, 2);
    EXPECT_FALSE(view().animating());
}

TEST_F(Menus, ThePanelIgnoresTouchesWhileAMenuIsOpen) {
    click_control(ControlPanel::load);
    app().push_finger(SDL_FINGERDOWN, 1, 160, 100);
    turn();
    EXPECT_EQ(slots_taken(), 0);
}

TEST_F(Menus, SavingShowsTheAlertAndItsButtonClosesIt) {
    click_control(ControlPanel::save);
    AlertView* alert = app().delegate().alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->title(), "saved");
    EXPECT_EQ(alert->message(), "Shape and Texutre have been saved");
    EXPECT_TRUE(view().animating());  // saving does not stop the frame timer
    click_caption("OK");
    EXPECT_FALSE(alert->isVisible());
}

}  // namespace
}  // namespace lumo::testing
