#pragma once
// What the main interface file creates and connects, built in code: the
// application delegate, the main view controller with its drawing view, the
// control panel with its controls, and the picture picker.

#include <filesystem>
#include <memory>

#include "app/lumo_app_delegate.h"
#include "platform/compositor.h"
#include "platform/imgui_layer.h"
#include "widgets/image_picker.h"
#include "widgets/ui_controls.h"
#include "ui/control_panel.h"
#include "ui/lumo_view_controller.h"

namespace lumo {

class GLWindow;
class RunLoop;
class TiltSelector;

class MainInterface {
public:
    // Null when the drawing view cannot be created (no usable GL context).
    // state_folder keeps what is remembered between runs (recent files, the
    // hint's use); none where it is empty.
    static std::unique_ptr<MainInterface> load(GLWindow* window, RunLoop* run_loop, ImGuiLayer* imgui,
                                               UIAccelerometer* accelerometer, TiltSelector* tilt,
                                               const std::filesystem::path& home,
                                               const std::filesystem::path& state_folder, ViewContents contents);
    ~MainInterface();

    lumoAppDelegate* delegate() { return delegate_.get(); }
    lumo_view_controller* view_controller() { return view_controller_.get(); }
    EAGLView* view() { return view_controller_->view(); }
    ControlPanel* panel() { return panel_.get(); }
    ImagePickerController* image_picker() { return image_picker_.get(); }

    UIView controllers;  // the control panel's visibility
    UISwitch edit_switch;
    UIButton edit_fix_button;

private:
    MainInterface() = default;

    std::unique_ptr<lumoAppDelegate> delegate_;
    std::unique_ptr<ImagePickerController> image_picker_;  // goes before the view: its preview is a GL texture
    std::unique_ptr<lumo_view_controller> view_controller_;
    std::unique_ptr<ControlPanel> panel_;
};

}  // namespace lumo
