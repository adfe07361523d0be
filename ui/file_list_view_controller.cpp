#include "ui/file_list_view_controller.h"

#include "app/lumo_app_delegate.h"
#include "files/file_io.h"
#include "files/trash.h"
#include "picture/picture.h"
#include "platform/host.h"
#include "platform/log.h"
#include "ui/lumo_view_controller.h"
#include "shape/shape_names.h"
#include "shape/shape_file.h"
#include "shape/shape_tasks.h"
#include "shape/shape_transfer.h"
#include "widgets/preview_texture.h"

#include <utility>

namespace lumo {

namespace {
constexpr int kThumbnailSide = 72;  // pixels: sharp at twice the row's picture size
constexpr int kImportAction = 0;  // under the rows
constexpr int kExportAction = 0;  // on each row while editing
constexpr double kUndoDeleteSeconds = 8.0;  // how long Undo is offered after a deletion
constexpr const char* kUndoCaption = "Undo";
}  // namespace

fileListViewController::fileListViewController(std::filesystem::path documents)
    : documents_(std::move(documents)),
      table_("Saved Shapes", "Cancel", "No saved shapes yet: Save makes one"),
      undoes_deletions_(!host_has_trash()) {
    table_.setDataSource(this);
    table_.setDelegate(this);
    if (host_has_file_chooser()) {
        table_.setListActions({"Import"});
        table_.setRowActions({"Export"});
    }
}

fileListViewController::~fileListViewController() {
    if (checking_ != 0) host_forget_background(checking_);
    forget_thumbnails();
}

void fileListViewController::forget_thumbnails() {
    for (const auto& [stem, texture] : thumbnails_)
        if (texture != nullptr) destroy_preview_texture(texture);
    thumbnails_.clear();
}

void fileListViewController::viewDidLoad() { log_diagnostic("view loaded."); }

// A presentation reads the folder afresh; a file saved again under the same
// stem gets its new thumbnail.
void fileListViewController::refreshFileList() {
    forget_thumbnails();
    remove_stale_shape_temporaries(documents_);
    read_folder();
    table_.reloadData();
}

void fileListViewController::read_folder() {
    fileList.clear();
    labels_.clear();
    export_stems_.clear();
    for (SavedShape& shape : list_saved_shapes(documents_)) {
        fileList.push_back(std::move(shape.stem));
        labels_.push_back(std::move(shape.label));
        export_stems_.push_back(std::move(shape.export_stem));
    }
}

std::string fileListViewController::label(int row) const {
    if (row >= 0 && row < static_cast<int>(labels_.size()) && labels_.size() == fileList.size()) return labels_[row];
    return readable_shape_date(fileList[row]);
}

int fileListViewController::numberOfSectionsInTableView(TableView* /*table*/) { return 1; }

int fileListViewController::tableView_numberOfRowsInSection(TableView* /*table*/, int /*section*/) {
    return static_cast<int>(fileList.size());
}

std::string fileListViewController::tableView_cellForRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    return label(row);
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
    const std::string stem = fileList[row];
    if (undoes_deletions_ || std::exchange(for_good_, {}) == stem) remove_for_good(row, stem);
    else move_row_to_trash(row, stem);
}

// Only a shape file goes: a folder that happens to carry the name is left alone.
void fileListViewController::move_row_to_trash(int row, const std::string& stem) {
    const std::filesystem::path path = shape_file_path(documents_, stem);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    std::string why;
    if (!std::filesystem::exists(status)) why = "it is no longer there";
    else if (!std::filesystem::is_regular_file(status)) why = "it is not a shape file but a folder or a link";
    if (why.empty()) {
        const TrashResult trashed = move_to_trash(path);
        if (trashed.kind == TrashResult::Kind::trashed) {
            table_.setStatusText("Moved " + label(row) + " to the Trash");
            table_.setStatusAction("");
            reload();
            return;
        }
        if (trashed.kind == TrashResult::Kind::no_trash) {
            // Once more, in words that say it cannot be got back.
            for_good_ = stem;
            table_.confirmDeletion(row, "There is no Trash for " + label(row) + " here. Delete it for good?",
                                   "Delete for Good");
            return;
        }
        log_line("lumo: cannot delete %s: %s", path.c_str(), trashed.message.c_str());
        why = "it could not be moved to the Trash";
    }
    table_.setStatusText("Cannot delete " + label(row) + ": " + why);
    reload();
}

// Where there is no trash, the file's bytes are read first, for Undo.
void fileListViewController::remove_for_good(int row, const std::string& stem) {
    const std::filesystem::path path = shape_file_path(documents_, stem);
    std::string unread;
    std::optional<std::vector<uint8_t>> bytes =
        undoes_deletions_ ? stored_shape_file(documents_, stem, &unread) : std::nullopt;
    std::error_code error;
    if (!std::filesystem::remove(path, error) || error) {
        const std::string why = error ? error.message() : "it is no longer there";
        log_line("lumo: cannot delete %s: %s", path.c_str(), why.c_str());
        table_.setStatusText("Cannot delete " + label(row) + ": " + why);
    } else {
        table_.setStatusText(undoes_deletions_ ? "" : "Deleted " + label(row) + " for good");
        table_.setStatusAction("");
        deleted_.reset();
        if (bytes) {
            deleted_ = DeletedFile{stem, std::move(*bytes), 0.0};
            offer_undo_delete();
            table_.setStatusText("Deleted " + readable_shape_date(stem));
        }
        host_persist_files([this](bool stored, const std::string& why) {
            if (!stored) table_.setStatusText("Deleted here, but the stored copy remains: " + why);
        });
    }
    reload();
}

// Open the file (picture, rest shape and table build in one go), then close
// the list, which restarts the frame timer. A file that does not open
// changes nothing; the list closes all the same and a notice says why.
void fileListViewController::tableView_didSelectRowAtIndexPath(TableView* /*table*/, int /*section*/, int row) {
    if (row < 0 || row >= static_cast<int>(fileList.size()) || _lumo_view_controller == nullptr) return;
    const std::string stem = fileList[row];
    lumo_view_controller* controller = _lumo_view_controller;
    controller->appDelegate()->loadShapeAndImage(stem);
    cancelButtonPressed();
}

void fileListViewController::reload() {
    read_folder();
    table_.reloadData();
}

void fileListViewController::tableView_didPressAction(TableView* /*table*/, int action, int row) {
    if (row < 0 && action == kImportAction) choose_import();
    else if (row >= 0 && action == kExportAction) export_row(row);
}

void fileListViewController::choose_import() {
    if (!host_has_file_chooser()) return;
    importing_ = true;
    table_.setStatusText("Choose a shape file (.lumo) to import");
    host_open_file_chooser(ChooserRequest::shape_file, ChooserLimits{0, 0, kMaxShapeFileBytes});
}

void fileListViewController::export_row(int row) {
    if (row < 0 || row >= static_cast<int>(fileList.size())) return;
    const std::string& stem = fileList[row];
    std::string error;
    const std::optional<std::vector<uint8_t>> bytes = stored_shape_file(documents_, stem, &error);
    // A stem saved with the week-based year leaves under the calendar year's.
    const bool known = export_stems_.size() == fileList.size();
    const std::string name = (known ? export_stems_[row] : stem) + "." + std::string(kShapeFileExtension);
    if (!bytes) {
        log_line("lumo: cannot export %s: %s", name.c_str(), error.c_str());
        table_.setStatusText("Not exported: " + error);
    } else if (!host_offer_download(name, *bytes)) {
        table_.setStatusText("Not exported: this device cannot save downloads");
    } else {
        table_.setStatusText("Exported " + name);
    }
}

void fileListViewController::offer_undo_delete() {
    deleted_->offered_until = ImGui::GetTime() + kUndoDeleteSeconds;
    table_.setStatusAction(kUndoCaption);
}

void fileListViewController::tableView_didPressStatusAction(TableView* /*table*/) { undo_delete(); }

// The same bytes stored again under the same name. A file that cannot be
// written or stored is taken back and Undo offered again: nothing is lost.
void fileListViewController::undo_delete() {
    if (!deleted_) return;
    DeletedFile file = std::move(*deleted_);
    deleted_.reset();
    table_.setStatusAction("");
    const std::filesystem::path path = shape_file_path(documents_, file.stem);
    const std::string shown = readable_shape_date(file.stem);
    std::error_code ignored;
    std::string error = "another file of that name is there now";
    if (std::filesystem::exists(path, ignored) || !write_file_atomically(path, file.bytes, &error)) {
        log_line("lumo: cannot restore %s: %s", path.c_str(), error.c_str());
        table_.setStatusText("Not restored: " + error);
        deleted_ = std::move(file);
        offer_undo_delete();
        return;
    }
    table_.setStatusText("Restoring " + shown + "...");
    reload();
    host_persist_files([this, path, shown, file = std::move(file)](bool stored, const std::string& why) mutable {
        if (stored) {
            table_.setStatusText("Restored " + shown);
            return;
        }
        std::error_code not_there;
        std::filesystem::remove(path, not_there);
        log_line("lumo: cannot restore %s: %s", path.c_str(), why.c_str());
        table_.setStatusText("Not restored: " + why);
        deleted_ = std::move(file);
        offer_undo_delete();
        reload();
    });
}

void fileListViewController::update() {
    if (deleted_ && ImGui::GetTime() > deleted_->offered_until) {
        deleted_.reset();
        table_.setStatusAction("");
    }
    if (!importing_) return;
    ArrivingFile file = host_take_chosen_file();
    if (file.kind == ArrivingFile::Kind::none) return;
    importing_ = false;
    take_import(std::move(file));
}

// A file that would not load is refused whole: nothing is written and the
// stored files stay as they were. It is checked beside the frames (a large
// or hostile file holds nothing up), then moved into the folder.
void fileListViewController::take_import(ArrivingFile file) {
    const std::string name = file.name.empty() ? "the file" : file.name;
    switch (file.kind) {
        case ArrivingFile::Kind::cancelled: table_.setStatusText(""); return;
        case ArrivingFile::Kind::too_large:
            table_.setStatusText("Not imported: " + name + ": the file is larger than a shape file can be");
            return;
        case ArrivingFile::Kind::file: break;
        default: table_.setStatusText("Not imported: " + name + ": not a shape file"); return;
    }
    table_.setStatusText("Checking " + name + "...");
    if (checking_ != 0) host_forget_background(checking_);
    checking_ =
        host_run_in_background(&check_shape_task, file.path, {},
                               [this, name, own_name = file.name, path = file.path](std::vector<uint8_t> output) {
                                   checking_ = 0;
                                   if (std::string problem = shape_problem_from(output); !problem.empty()) {
                                       std::error_code ignored;
                                       std::filesystem::remove(path, ignored);
                                       refuse_import(name, problem);
                                       return;
                                   }
                                   store_import(name, import_checked_shape_file(documents_, own_name, path));
                               });
}

void fileListViewController::refuse_import(const std::string& name, const std::string& problem) {
    log_line("lumo: not imported: %s: %s", name.c_str(), problem.c_str());
    table_.setStatusText("Not imported: " + name + ": " + problem);
}

void fileListViewController::store_import(const std::string& name, const ImportedShape& imported) {
    if (!imported.problem.empty()) {
        refuse_import(name, imported.problem);
        return;
    }
    if (imported.already_there) {
        table_.setStatusText("Already in the list: " + readable_shape_date(imported.stem));
        return;
    }
    table_.setStatusText("Importing " + name + "...");
    reload();
    const std::filesystem::path path = shape_file_path(documents_, imported.stem);
    host_persist_files([this, path, name, stem = imported.stem](bool stored, const std::string& why) {
        if (stored) {
            table_.setStatusText("Imported " + readable_shape_date(stem));
            return;
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        log_line("lumo: not imported: %s: %s", name.c_str(), why.c_str());
        table_.setStatusText("Not imported: " + why);
        reload();
    });
}

void fileListViewController::list_will_close() {
    if (importing_) host_close_file_chooser();
    importing_ = false;
    deleted_.reset();
}

void fileListViewController::cancelButtonPressed(TableView* /*table*/) { cancelButtonPressed(); }

void fileListViewController::cancelButtonPressed() {
    if (_lumo_view_controller != nullptr) _lumo_view_controller->cancelButtonPressed();
}

}  // namespace lumo
