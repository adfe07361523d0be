#include "ui/file_list_view_controller.h"

#include "app/lumo_app_delegate.h"
#include "platform/log.h"
#include "ui/lumo_view_controller.h"
#include "ui/shape_file.h"

namespace lumo {

fileListViewController::fileListViewController(std::filesystem::path documents)
    : documents_(std::move(documents)), table_("Saved Shapes", "Cancel", "No saved shapes yet: Save makes one") {
    table_.setDataSource(this);
    table_.setDelegate(this);
}

void fileListViewController::viewDidLoad() { log_line("view loaded."); }

void fileListViewController::refreshFileList() {
    remove_stale_shape_temporaries(documents_);
    fileList = list_shape_stems(documents_);
    table_.reloadData();
}

int fileListViewController::numberOfSectionsInTableView(TableView* /*table*/) { return 1; }

int fileListViewController::tableView_numberOfRowsInSection(TableView* /*table*/, int /*section*/) {
    return static_cast<int>(fileList.size());
}

std::string fileListViewController::tableView_cellForRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    return fileList[row];
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
