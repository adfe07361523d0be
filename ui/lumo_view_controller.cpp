#include "ui/lumo_view_controller.h"

#include "app/lumo_app_delegate.h"
#include "files/app_paths.h"
#include "ui/file_list_view_controller.h"

namespace lumo {

lumo_view_controller::lumo_view_controller(std::unique_ptr<EAGLView> view, lumoAppDelegate* app_delegate,
                                           ImagePickerController* image_picker, std::filesystem::path documents)
    : _image_picker_controller(image_picker),
      view_(std::move(view)),
      appDelegate_(app_delegate),
      documents_(std::move(documents)) {}

lumo_view_controller::~lumo_view_controller() = default;

void lumo_view_controller::viewDidLoad() {
    _fileListViewController = std::make_unique<fileListViewController>(documents_);
    _fileListViewController->viewDidLoad();
}

std::unique_ptr<ActionSheet> lumo_view_controller::make_sheet(const char* title, std::vector<std::string> buttons) {
    return std::make_unique<ActionSheet>(title, this, std::move(buttons));
}

void lumo_view_controller::initButtonPressed() {
    view_->stopAnimation();
    _initSheet = make_sheet("initialize", {"Shape", "Texutre", "Cancel"});
    _initSheet->showInView();
}

namespace {

// A recent file as the Load menu shows it: its name, and under it its
// folder, the home folder written "~".
std::string recent_caption(const std::filesystem::path& path) {
    std::string folder = path.parent_path().string();
    const std::string home = user_home_folder().string();
    if (!home.empty() && home != "/" && (folder == home || folder.starts_with(home + "/")))
        folder = "~" + folder.substr(home.size());
    return path.filename().string() + "\n" + folder;
}

}  // namespace

void lumo_view_controller::loadButtoonPressed() {
    view_->stopAnimation();
    std::vector<std::string> buttons = {"Texutre and Shape", "Texutre"};
    load_sheet_recents_ = appDelegate_->recent_files();
    for (const std::filesystem::path& path : load_sheet_recents_) buttons.push_back(recent_caption(path));
    buttons.emplace_back("Cancel");
    _loadSheet = make_sheet("Load", std::move(buttons));
    _loadSheet->setSection(2, static_cast<int>(load_sheet_recents_.size()), "Recent Files");
    _loadSheet->showInView();
}

void lumo_view_controller::actionSheet_clickedButtonAtIndex(ActionSheet* sheet, int index) {
    if (sheet == _loadSheet.get()) {
        const std::size_t recent = static_cast<std::size_t>(index) - 2;
        if (index == 0) {
            loadAll();
        } else if (index == 1) {
            loadTexture();
        } else if (index >= 2 && recent < load_sheet_recents_.size()) {
            view_->startAnimation();
            open(load_sheet_recents_[recent]);
        } else {
            view_->startAnimation();
        }
    } else if (sheet == _initSheet.get()) {
        if (index == 0) view_->initializeShape();
        else if (index == 1) view_->initializeTexture();
        view_->startAnimation();
    } else if (sheet == _textureSheet.get()) {
        const bool library = index == 0;
        const bool camera = index == 1 && ImagePickerController::isSourceTypeAvailable(ImagePickerController::Camera);
        if (library || camera) {
            _image_picker_controller->setSourceType(library ? ImagePickerController::PhotoLibrary
                                                            : ImagePickerController::Camera);
            _image_picker_controller->setOpensFiles(false);
            presentModalViewController(Modal::picker);
        }
        view_->startAnimation();
    }
}

void lumo_view_controller::loadTexture() {
    if (ImagePickerController::isSourceTypeAvailable(ImagePickerController::Camera)) {
        _textureSheet = make_sheet("Change Texture", {"Photos Library", "Camera", "Cancel"});
        _textureSheet->showInView();
        return;
    }
    // No camera: straight to the library; the timer stays stopped until the picker closes.
    _image_picker_controller->setSourceType(ImagePickerController::PhotoLibrary);
    _image_picker_controller->setOpensFiles(false);
    presentModalViewController(Modal::picker);
}

void lumo_view_controller::show_open_screen() {
    cancel_modal_screens();
    view_->stopAnimation();
    _image_picker_controller->setSourceType(ImagePickerController::PhotoLibrary);
    _image_picker_controller->setOpensFiles(true);
    presentModalViewController(Modal::picker);
}

bool lumo_view_controller::open(const std::filesystem::path& path) { return open_file_ && open_file_(path); }

void lumo_view_controller::imagePickerController_didPickFile(ImagePickerController* /*picker*/,
                                                             const std::filesystem::path& path) {
    dismissModalViewControllerAnimated();
    view_->startAnimation();
    open(path);
}

void lumo_view_controller::loadAll() {
    _fileListViewController->_lumo_view_controller = this;
    _fileListViewController->refreshFileList();
    presentModalViewController(Modal::file_list);
}

void lumo_view_controller::imagePickerController_didFinishPickingImage(ImagePickerController* /*picker*/,
                                                                       std::shared_ptr<const Picture> image) {
    const std::filesystem::path chosen = _image_picker_controller->selectedPath();
    dismissModalViewControllerAnimated();
    view_->load_texture(std::move(image));
    view_->startAnimation();
    if (!chosen.empty()) appDelegate_->picture_file_opened(chosen);
}

void lumo_view_controller::imagePickerControllerDidCancel(ImagePickerController* /*picker*/) {
    dismissModalViewControllerAnimated();
    view_->startAnimation();
}

void lumo_view_controller::cancelButtonPressed() {
    dismissModalViewControllerAnimated();
    view_->startAnimation();
}

void lumo_view_controller::presentModalViewController(Modal modal) {
    dismissModalViewControllerAnimated();
    presented_ = modal;
    if (modal == Modal::file_list) _fileListViewController->tableView()->present();
    else if (modal == Modal::picker) _image_picker_controller->present();
}

void lumo_view_controller::dismissModalViewControllerAnimated() {
    if (presented_ == Modal::file_list) {
        _fileListViewController->list_will_close();
        _fileListViewController->tableView()->dismiss();
    } else if (presented_ == Modal::picker) {
        _image_picker_controller->dismiss();
    }
    presented_ = Modal::none;
}

bool lumo_view_controller::has_modal_screen() const {
    for (const auto* sheet : {_loadSheet.get(), _textureSheet.get(), _initSheet.get()})
        if (sheet != nullptr && sheet->isVisible()) return true;
    return presented_ != Modal::none;
}

void lumo_view_controller::cancel_modal_screens() {
    for (ActionSheet* sheet : {_loadSheet.get(), _textureSheet.get(), _initSheet.get()})
        if (sheet != nullptr && sheet->isVisible()) sheet->pressButton(static_cast<int>(sheet->buttons().size()) - 1);
    if (presented_ != Modal::none) cancelButtonPressed();
}

void lumo_view_controller::draw_modal_screens() {
    if (presented_ == Modal::file_list) {
        _fileListViewController->update();
        _fileListViewController->tableView()->draw();
    } else if (presented_ == Modal::picker) {
        _image_picker_controller->draw();
    }
    // A sheet's press may replace another field's sheet, never its own while it draws.
    for (ActionSheet* sheet : {_loadSheet.get(), _textureSheet.get(), _initSheet.get()})
        if (sheet != nullptr && sheet->isVisible()) sheet->draw();
}

}  // namespace lumo
