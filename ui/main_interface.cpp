#include "ui/main_interface.h"

#include "files/app_paths.h"

namespace lumo {

std::unique_ptr<MainInterface> MainInterface::load(GLWindow* window, RunLoop* run_loop, ImGuiLayer* imgui,
                                                   UIAccelerometer* accelerometer, TiltSelector* tilt,
                                                   const std::filesystem::path& home,
                                                   const std::filesystem::path& state_folder, ViewContents contents) {
    std::unique_ptr<MainInterface> ui(new MainInterface);
    std::unique_ptr<EAGLView> view = EAGLView::initWithCoder(window, run_loop, std::move(contents));
    if (!view) return nullptr;

    ui->delegate_ = std::make_unique<lumoAppDelegate>(home, state_folder, accelerometer);
    ui->image_picker_ = std::make_unique<ImagePickerController>();
    ui->delegate_->window = window;
    ui->view_controller_ = std::make_unique<lumo_view_controller>(std::move(view), ui->delegate_.get(),
                                                                  ui->image_picker_.get(), documents_folder(home));
    ui->delegate_->_viewcontroller = ui->view_controller_.get();
    ui->image_picker_->setDelegate(ui->view_controller_.get());
    const PicturePart shown = EAGLView::visible_picture_part();
    ui->image_picker_->setVisiblePart(shown.left, shown.top, shown.right, shown.bottom);

    EAGLView* glView = ui->view_controller_->view();
    glView->connect_controls(&ui->controllers, &ui->edit_switch, &ui->edit_fix_button);
    ui->view_controller_->controllers = &ui->controllers;
    // Launch runs the normal time step: the switch starts off, the fix button hidden.
    ui->edit_switch.setOn(false);
    ui->edit_fix_button.setHidden(true);

    ui->panel_ =
        std::make_unique<ControlPanel>(imgui, window, run_loop, ui->delegate_.get(), ui->view_controller_.get(),
                                       &ui->controllers, &ui->edit_switch, &ui->edit_fix_button, tilt);
    ui->delegate_->set_panel(ui->panel_.get());
    ui->panel_->set_state_folder(state_folder);
    ui->view_controller_->viewDidLoad();
    return ui;
}

MainInterface::~MainInterface() {
    panel_.reset();
    image_picker_.reset();  // while the view's GL context still exists
    view_controller_.reset();
}

}  // namespace lumo
