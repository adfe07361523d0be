#pragma once
// The main view controller: owns the drawing view and runs what the user
// reaches through menus: "initialize" (shape or picture back to the
// default), "Load" (a saved shape, a new picture, or one of the files
// opened or saved lately) and "Change Texture", the picture picker (also as
// the Open dialog where the desktop has none) and the saved-file list.
// Opening a menu stops the frame timer; every way out of a menu, the picker
// or the list starts it again.

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/action_sheet.h"
#include "widgets/image_picker.h"
#include "widgets/ui_controls.h"
#include "render/eagl_view.h"

namespace lumo {

class lumoAppDelegate;
class fileListViewController;

class lumo_view_controller : public ActionSheetDelegate, public ImagePickerDelegate {
public:
    lumo_view_controller(std::unique_ptr<EAGLView> view, lumoAppDelegate* app_delegate,
                         ImagePickerController* image_picker, std::filesystem::path documents);
    ~lumo_view_controller() override;

    EAGLView* view() const { return view_.get(); }
    void viewDidLoad();

    void initButtonPressed();
    void loadButtoonPressed();
    void actionSheet_clickedButtonAtIndex(ActionSheet* sheet, int index) override;
    void loadTexture();
    void loadAll();
    void imagePickerController_didFinishPickingImage(ImagePickerController* picker,
                                                     std::shared_ptr<const Picture> image) override;
    void imagePickerController_didPickFile(ImagePickerController* picker, const std::filesystem::path& path) override;
    void imagePickerControllerDidCancel(ImagePickerController* picker) override;
    // The picker as the Open dialog: pictures and shape files, the one
    // chosen opened as a dropped file is.
    void show_open_screen();
    // How a file is opened (the application's open_file): the Open dialog's
    // choice and the Load menu's recent files go through it.
    void set_file_opener(std::function<bool(const std::filesystem::path&)> opener) { open_file_ = std::move(opener); }
    void cancelButtonPressed();

    lumoAppDelegate* appDelegate() const { return appDelegate_; }
    fileListViewController* fileList() const { return _fileListViewController.get(); }

    // Modal screens: at most one over the surface.
    enum class Modal { none, file_list, picker };
    void presentModalViewController(Modal modal);
    void dismissModalViewControllerAnimated();
    Modal presented_modal() const { return presented_; }
    bool has_modal_screen() const;  // a menu, the list or the picker
    // Closes the menu, the list or the picker on screen as its Cancel would.
    void cancel_modal_screens();
    void draw_modal_screens();

    ImagePickerController* _image_picker_controller;
    UIView* controllers = nullptr;
    std::unique_ptr<fileListViewController> _fileListViewController;
    // Each menu is held until its field is overwritten, so a press is always
    // matched against the sheet that was shown.
    std::unique_ptr<ActionSheet> _loadSheet;
    std::unique_ptr<ActionSheet> _textureSheet;
    std::unique_ptr<ActionSheet> _initSheet;

private:
    std::unique_ptr<ActionSheet> make_sheet(const char* title, std::vector<std::string> buttons);
    bool open(const std::filesystem::path& path);

    std::unique_ptr<EAGLView> view_;
    lumoAppDelegate* appDelegate_;
    std::filesystem::path documents_;
    Modal presented_ = Modal::none;
    std::function<bool(const std::filesystem::path&)> open_file_;
    std::vector<std::filesystem::path> load_sheet_recents_;  // the recent files the Load menu shows, in order
};

}  // namespace lumo
