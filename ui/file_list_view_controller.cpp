#include "ui/file_list_view_controller.h"

#include "app/lumo_app_delegate.h"
#include "picture/picture.h"
#include "platform/log.h"
#include "ui/lumo_view_controller.h"
#include "ui/shape_dates.h"
#include "ui/shape_file.h"
#include "widgets/preview_texture.h"

namespace lumo {

namespace {
constexpr int kThumbnailSide = 72;  // pixels: sharp at twice the row's picture size
}

fileListViewController::fileListViewController(std::filesystem::path documents)
    : documents_(std::move(documents)), table_("Saved Shapes", "Cancel", "No saved shapes yet: Save makes one") {
    table_.setDataSource(this);
    table_.setDelegate(this);
}

fileListViewController::~fileListViewController() { forget_thumbnails(); }

void fileListViewController::forget_thumbnails() {
    for (const auto& [stem, texture] : thumbnails_)
        if (texture != nullptr) destroy_preview_texture(texture);
    thumbnails_.clear();
}

void fileListViewController::viewDidLoad() { log_line("view loaded."); }

// A presentation reads the folder afresh; a file saved again under the same
// stem gets its new thumbnail.
void fileListViewController::refreshFileList() {
    forget_thumbnails();
    remove_stale_shape_temporaries(documents_);
    fileList = list_shape_stems(documents_);
    table_.reloadData();
}

int fileListViewController::numberOfSectionsInTableView(TableView* /*table*/) { return 1; }

int fileListViewController::tableView_numberOfRowsInSection(TableView* /*table*/, int /*section*/) {
    return static_cast<int>(fileList.size());
}

std::string fileListViewController::tableView_cellForRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    return readable_shape_date(fileList[row]);
}

// The shape file's picture is at most 512 x 512: read and shrunk while the
// list is open, once per row, on the first frame that shows the row.
ImTextureID fileListViewController::tableView_imageForRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    if (row < 0 || row >= static_cast<int>(fileList.size())) return nullptr;
    const std::string& stem = fileList[row];
    if (const auto found = thumbnails_.find(stem); found != thumbnails_.end()) return found->second;
    ImTextureID texture = nullptr;
    std::string error;
    const std::optional<ShapeFileContents> contents = read_shape_file(shape_file_path(documents_, stem), &error);
    if (contents && contents->image) {
        const std::optional<Picture> picture = decode_picture(*contents->image, &error);
        if (picture && !picture->empty()) texture = create_preview_texture(fit_picture(*picture, kThumbnailSide));
    }
    ++thumbnails_decoded_;
    thumbnails_[stem] = texture;
    return texture;
}

void fileListViewController::tableView_commitDeleteRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    if (row < 0 || row >= static_cast<int>(fileList.size())) return;
    const std::filesystem::path path = shape_file_path(documents_, fileList[row]);
    std::error_code error;
    if (!std::filesystem::remove(path, error) || error) {
        const std::string why = error ? error.message() : "it is no longer there";
        log_line("lumo: cannot delete %s: %s", path.c_str(), why.c_str());
        table_.setStatusText("Cannot delete " + readable_shape_date(fileList[row]) + ": " + why);
    } else {
        table_.setStatusText("");
    }
    fileList = list_shape_stems(documents_);
    table_.reloadData();
}

// Load, close the list (restarting the frame timer), upload the picture the
// load stored, then fix the loaded surface: all in one go, so no frame runs
// between the load and the fix. A file that does not load still ends the same
// way: the list closes and the current surface becomes the rest shape.
void fileListViewController::tableView_didSelectRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    if (row < 0 || row >= static_cast<int>(fileList.size()) || _lumo_view_controller == nullptr) return;
    const std::string stem = fileList[row];
    lumo_view_controller* controller = _lumo_view_controller;
    controller->appDelegate()->loadShapeAndImage(stem);
    cancelButtonPressed();
    controller->view()->load_texture();
    controller->view()->surfaceEditFixed();
}

void fileListViewController::cancelButtonPressed(TableView* /*table*/) { cancelButtonPressed(); }

void fileListViewController::cancelButtonPressed() {
    if (_lumo_view_controller != nullptr) _lumo_view_controller->cancelButtonPressed();
}

}  // namespace lumo
